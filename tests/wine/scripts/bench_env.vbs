' The script client side of the bench: environment, files and error
' objects work as clients of the library will use them.
Option Explicit
Dim sh, fso, dir, path, f, text

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
' Wine's ExpandEnvironmentStrings keeps the terminating NUL; the process
' environment collection does not.
dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
Check "bench dir handed over", fso.FolderExists(dir)

path = dir & "\bench_env_vbs.txt"
Set f = fso.CreateTextFile(path, True)
f.WriteLine "line one"
f.Close
Set f = fso.OpenTextFile(path, 1)
text = f.ReadLine
f.Close
fso.DeleteFile path
Check "scratch file round trip", text = "line one" And Not fso.FileExists(path)

On Error Resume Next
Err.Raise -2147467008, "Docvane", "probe"
Check "error number and source survive", Err.Number = -2147467008 And Err.Source = "Docvane" And Err.Description = "probe"
On Error GoTo 0

WScript.Echo "END-OF-SCRIPT"
