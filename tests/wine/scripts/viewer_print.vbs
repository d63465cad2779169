' Printing and showing PDFs through the viewer from a script client: a
' folder printed in name order, a page range, and OpenPDF landing on a
' bookmark or a page. (Shell printing is in viewer_control.vbs.)
Option Explicit

Dim sh, fso, env, data, bench, pdf, jobs, lines, r, app, view
Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
Set env = sh.Environment("PROCESS")
data = env("DV_TEST_DATA")
bench = env("DV_BENCH_DIR")

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
  End If
End Sub

Function ReadLines(path)
  Dim text: text = ""
  If fso.FileExists(path) Then
    Dim f: Set f = fso.OpenTextFile(path, 1)
    If Not f.AtEndOfStream Then text = f.ReadAll
    f.Close
  End If
  ReadLines = Split(text, vbCrLf)
End Function

jobs = bench & "\viewer_jobs.txt"
sh.RegWrite "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\", "9.0", "REG_SZ"
sh.RegWrite "HKCU\Software\DvStandins\Settings\PrintLog", jobs, "REG_SZ"
Set pdf = CreateObject("Docvane.CreatePDF")

pdf.PrintPDFinDir data & "\viewer_dir", "*.pdf", "", True, 1, 0
lines = ReadLines(jobs)
Check UBound(lines) = 3, "PrintPDFinDir printed the three files (" & UBound(lines) & ")"
If UBound(lines) = 3 Then
  Check InStr(lines(0), "alpha.pdf" & vbTab & "pages=1-1") > 0 And InStr(lines(1), "bravo.pdf" & vbTab & "pages=1-2") > 0 _
    And InStr(lines(2), "charlie.pdf" & vbTab & "pages=1-3") > 0 And InStr(lines(0), "mode=silent") > 0, _
    "in name order, whole documents, silently"
End If

pdf.PrintPDFinDir data & "\viewer_dir", "*.pdf", "", False, 1, 1
lines = ReadLines(jobs)
Check UBound(lines) = 6, "descending: three more jobs"
If UBound(lines) = 6 Then Check InStr(lines(3), "charlie.pdf") > 0 And InStr(lines(5), "alpha.pdf") > 0, "in reverse name order"

pdf.PrintPDF data & "\viewer_plain.pdf", "", False, 2, 2
lines = ReadLines(jobs)
Check InStr(lines(UBound(lines) - 1), "viewer_plain.pdf" & vbTab & "pages=2-2") > 0, "PrintPDF 2 to 2 prints the second page only"
Check Not pdf.IsAcrobatHidden(), "PrintPDF ends the viewer"


' Below version 5 the bookmark is found by title through AcroExch.PDBookmark.
sh.RegWrite "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\", "4.0", "REG_SZ"
Set pdf = CreateObject("Docvane.CreatePDF")
pdf.OpenPDF data & "\viewer_book.pdf", "Part A"
Set app = CreateObject("AcroExch.App")
Set view = app.GetActiveDoc()
Check view.GetAVPageView().GetPageNum() = 2, "OpenPDF with the bookmark Part A shows its page (index 2)"
Check app.GetNumAVDocs() = 1, "the document stays open in the viewer"
Check pdf.CloseAcrobat(), "CloseAcrobat ends the viewer"

' From version 5 on the bookmark is found in the document's JavaScript
' outline: depth first, without regard to case, and executed.
sh.RegWrite "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\", "9.0", "REG_SZ"
Set pdf = CreateObject("Docvane.CreatePDF")
pdf.OpenPDF data & "\viewer_book.pdf", "part b"
Set app = CreateObject("AcroExch.App")
Check app.GetActiveDoc().GetAVPageView().GetPageNum() = 3, "OpenPDF finds the nested bookmark Part B by name and shows its page (index 3)"
Check pdf.CloseAcrobat(), "CloseAcrobat ends the viewer again"
Set pdf = CreateObject("Docvane.CreatePDF")
pdf.OpenPDF data & "\viewer_book.pdf", "", 2
Set app = CreateObject("AcroExch.App")
Check app.GetActiveDoc().GetAVPageView().GetPageNum() = 1, "OpenPDF with page 2 turns to the second page"
Check pdf.CloseAcrobat(), "... and CloseAcrobat ends it"
Set pdf = CreateObject("Docvane.CreatePDF")
pdf.OpenPDF data & "\viewer_book.pdf", "no such bookmark", 9
Set app = CreateObject("AcroExch.App")
Check app.GetActiveDoc().GetAVPageView().GetPageNum() = 0, "an unknown bookmark and a page beyond the count leave the first page"
Check pdf.CloseAcrobat(), "CloseAcrobat ends the viewer at last"

WScript.Echo "END-OF-SCRIPT"
