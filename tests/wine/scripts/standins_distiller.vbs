' The Distiller stand-in from a script client: creation by ProgID, a real
' conversion, strict member names, and a failure injected through the
' registry configuration of the stand-ins.
Option Explicit
Dim sh, fso, dir, data, d, d6, r, pdf, n, desc

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
data = sh.Environment("PROCESS")("DV_TEST_DATA")

Set d = CreateObject("PdfDistiller.PdfDistiller")
d.bShowWindow = False
d.bSpoolJobs = False
pdf = dir & "\vbs_two_pages.pdf"
r = d.FileToPDF(data & "\two_pages.ps", pdf, "")
Check "FileToPDF returns 1", r = 1
Check "FileToPDF writes the PDF", fso.FileExists(pdf)
Check "properties keep their values", d.bShowWindow = False And d.bSpoolJobs = False

r = d.FileToPDF(dir & "\no_such_input.ps", dir & "\none.pdf", "")
Check "missing input is refused with -1", r = -1 And Not fso.FileExists(dir & "\none.pdf")

On Error Resume Next
d.FileToPdfx data & "\two_pages.ps", pdf, ""
n = Err.Number
Err.Clear
On Error GoTo 0
Check "misspelt member is rejected (438)", n = 438

sh.RegWrite "HKCU\Software\DvStandins\Failures\PdfDistiller.FileToPDF", "-2147467259|Distiller is busy", "REG_SZ"
On Error Resume Next
d.FileToPDF data & "\two_pages.ps", dir & "\busy.pdf", ""
n = Err.Number
desc = Err.Description
Err.Clear
On Error GoTo 0
' Wine's WshShell has no RegDelete; an empty rule is ignored.
sh.RegWrite "HKCU\Software\DvStandins\Failures\PdfDistiller.FileToPDF", "", "REG_SZ"
Check "injected failure keeps number and description", n = -2147467259 And desc = "Distiller is busy"
Check "failed call writes nothing", Not fso.FileExists(dir & "\busy.pdf")

Set d6 = CreateObject("PdfDistiller.PdfDistiller.6")
r = d6.FileToPDF2(data & "\two_pages.ps", dir & "\vbs_secure.pdf", "", True)
Check "FileToPDF2 converts", r = 1 And fso.FileExists(dir & "\vbs_secure.pdf")

WScript.Echo "END-OF-SCRIPT"
