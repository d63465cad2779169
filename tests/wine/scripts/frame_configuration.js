// CreatePDF from JScript: plain values for by-reference parameters,
// properties, and errors as exceptions.
var failures = 0;
function check(ok, what) {
  WScript.Echo((ok ? "PASS " : "FAIL ") + what);
  if (!ok) failures++;
}
var fso = new ActiveXObject("Scripting.FileSystemObject");
var o = new ActiveXObject("Docvane.CreatePDF");
check(typeof o.AcrobatVersion() === "string", "AcrobatVersion is a string");
check(o.PrinterName().length > 0, "PrinterName is not empty");
check(o.TempFilePath === "c:\\temp\\", "TempFilePath reads c:\\temp\\");
if (!fso.FolderExists("c:\\dvjs")) fso.CreateFolder("c:\\dvjs");
o.TempFilePath = "c:\\dvjs";
check(o.TempFilePath === "c:\\dvjs\\", "TempFilePath takes an existing folder");
var d = o.OpenDocument("c:\\docs\\b.pdf");
check(typeof d === "object" && d !== null, "OpenDocument with a literal string returns a Document");
var path = "c:\\docs\\c.pdf";
d = o.OpenDocument(path);
check(path === "c:\\docs\\c.pdf" && d !== null, "OpenDocument with a variable");
o.AccessVersion = 12;
check(o.AccessVersion === 12, "AccessVersion round-trips");
try {
  o.AccessVersion = "not a number";
  check(false, "a string AccessVersion must fail");
} catch (e) {
  check((e.number & 0xFFFF) === 13, "type mismatch number (" + e.number + ")");
  check(e.description === "Type mismatch", "type mismatch description (" + e.description + ")");
}
WScript.Echo("END-OF-SCRIPT");
