' The viewer members of CreatePDF that need no viewer document: whether a
' viewer runs, closing it when none runs, shell printing, and the error of
' a missing PDF, from a script client through the type library.
Option Explicit

Dim sh, fso, env, bench, pdf, r, note, f
Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
Set env = sh.Environment("PROCESS")
bench = env("DV_BENCH_DIR")

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
  End If
End Sub

Set pdf = CreateObject("Docvane.CreatePDF")
' A viewer that an earlier client showed stays until it is closed.
pdf.CloseAcrobat True, 10
Check Not pdf.IsAcrobatHidden(), "IsAcrobatHidden is False while no viewer runs"
Check Not pdf.CloseAcrobat(), "CloseAcrobat without a viewer returns False"
Check Not pdf.CloseAcrobat(False, 0), "... also with its arguments given"

' A fresh prefix has no "print" verb for text files; the one given here
' copies the file, so the script sees that the shell really printed it.
sh.RegWrite "HKCR\.txt\", "txtfile", "REG_SZ"
sh.RegWrite "HKCR\txtfile\shell\print\command\", "cmd.exe /c copy ""%1"" """ & bench & "\viewer_printed.txt""", "REG_SZ"
note = bench & "\viewer_note.txt"
Set f = fso.CreateTextFile(note, True)
f.WriteLine "printed through the shell"
f.Close
r = pdf.PrintAPI(note)
Check r > 32, "PrintAPI of a text file returns the shell's success (" & r & ")"
Dim started: started = Timer
Do While Not fso.FileExists(bench & "\viewer_printed.txt") And Abs(Timer - started) < 15
Loop
Check fso.FileExists(bench & "\viewer_printed.txt"), "the shell ran the file type's print command"
r = pdf.PrintAPI(bench & "\no such file.txt")
Check r <= 32, "PrintAPI of a missing file returns the shell's failure without raising (" & r & ")"

Dim missing: missing = bench & "\nothing here.pdf"
On Error Resume Next
r = pdf.GetNumPagesPDF(missing)
Check Err.Number = -2147467008 And Err.Description = "File " & missing & " does not exist." And Err.Source = "Docvane", _
  "GetNumPagesPDF of a missing file raises the does-not-exist error (" & Err.Number & " " & Err.Description & ")"
Err.Clear
pdf.PrintPDF missing, "", True, 2, 2
Check Err.Number = -2147467008, "PrintPDF of a missing file raises it too"
Err.Clear
pdf.OpenPDF missing
Check Err.Number = -2147467008, "OpenPDF of a missing file raises it too"
Err.Clear
pdf.PrintPDFinDir bench & "\no such folder", "*.pdf"
Check Err.Number = 0, "PrintPDFinDir of a folder without matches does nothing and raises nothing"
Err.Clear
On Error GoTo 0

WScript.Echo "END-OF-SCRIPT"
