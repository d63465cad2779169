// The JScript side of the bench: environment, files and exceptions.
var sh = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");
function check(name, ok) { WScript.Echo((ok ? "PASS " : "FAIL ") + name); }

// Wine's ExpandEnvironmentStrings keeps the terminating NUL; the process
// environment collection does not.
var dir = sh.Environment("PROCESS")("DV_BENCH_DIR");
check("bench dir handed over", fso.FolderExists(dir));

var caught = null;
try {
  fso.GetFile(dir + "\\does-not-exist.txt");
} catch (e) {
  caught = e;
}
check("missing file raises", caught !== null && (caught.number & 0xFFFF) === 53);

WScript.Echo("END-OF-SCRIPT");
