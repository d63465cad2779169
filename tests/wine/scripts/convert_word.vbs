' Word conversions through Docvane.CreatePDF and the Word stand-in, from a
' script client: the Distiller path, the PDF printer with the real relay,
' and Word's errors in Err.
Option Explicit
Dim sh, fso, dir, build, doc, pdf, printer, o, number, description

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Function ReadAll(path)
  Dim f
  Set f = fso.OpenTextFile(path, 1)
  ReadAll = f.ReadAll
  f.Close
End Function

Function PageCount(path)
  Dim re
  Set re = New RegExp
  re.Global = True
  re.Pattern = "/Type\s*/Page[^s]"
  PageCount = re.Execute(ReadAll(path)).Count
End Function

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
build = sh.Environment("PROCESS")("DV_BUILD_DIR")
' Installed the way a user installs it: into the system folder.
fso.CopyFile build & "\relay\dlgrelay.exe", fso.GetSpecialFolder(1) & "\dlgrelay.exe", True

doc = dir & "\notes.txt"
Dim f, i
Set f = fso.CreateTextFile(doc, True)
For i = 1 To 100
  f.WriteLine "Note number " & i
Next
f.Close

Set o = CreateObject("Docvane.CreatePDF")

pdf = dir & "\notes_distilled.pdf"
printer = " "
o.CreatePDFfromWord pdf, doc, "", "", "", False, False, False, 1, False, printer
Check "CreatePDFfromWord writes the PDF", fso.FileExists(pdf)
Check "CreatePDFfromWord PDF has two portrait pages", PageCount(pdf) = 2
Check "blank strDistiller comes back as PrinterName", printer = o.PrinterName

pdf = dir & "\notes_printed.pdf"
o.CreatePDFfromWord2 pdf, doc, "", "", "2"
Check "CreatePDFfromWord2 with the relay writes the PDF", fso.FileExists(pdf)
Check "CreatePDFfromWord2 printed only page 2", PageCount(pdf) = 1

pdf = dir & "\notes.ps"
o.CreatePSfromWord pdf, doc, "", "", "", True
Check "CreatePSfromWord writes landscape PostScript", InStr(ReadAll(pdf), "/PageSize [792 612]") > 0

Set f = fso.CreateTextFile(dir & "\locked.txt", True)
f.WriteLine "#password: right"
f.WriteLine "secret"
f.Close
On Error Resume Next
o.CreatePDFfromWord dir & "\locked.pdf", dir & "\locked.txt", "wrong"
number = Err.Number : description = Err.Description
On Error GoTo 0
Check "Word's error number reaches Err", number = 5408 Or number = -2146822880
Check "Word's error text reaches Err", description = "The password is incorrect. Word cannot open the document. (" & dir & "\locked.txt)"
Check "no PDF after the error", Not fso.FileExists(dir & "\locked.pdf")

On Error Resume Next
o.CreatePDFfromWord dir & "\x.pdf", dir & "\absent.doc"
number = Err.Number : description = Err.Description
On Error GoTo 0
Check "missing document error", number = -2147467008 And description = "File " & dir & "\absent.doc does not exist."

WScript.Echo "END-OF-SCRIPT"
