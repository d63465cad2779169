' Excel conversions through Docvane.CreatePDF and the Excel stand-in, from
' a script client: a named range of a protected workbook to PostScript and
' to PDF, by-reference write-back, and Excel's errors in Err.
Option Explicit
Dim sh, fso, dir, book, ps, pdf, printer, o, number, description, f, i, text

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Function ReadAll(path)
  Dim t
  Set t = fso.OpenTextFile(path, 1)
  ReadAll = t.ReadAll
  t.Close
End Function

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = sh.Environment("PROCESS")("DV_BENCH_DIR")

book = dir & "\budget.txt"
Set f = fso.CreateTextFile(book, True)
f.WriteLine "#password: pw"
f.WriteLine "#name: Costs=Plan!A2:B4"
f.WriteLine "[Plan]"
f.WriteLine "Heading" & vbTab & "Total"
For i = 1 To 3
  f.WriteLine "Item" & i & vbTab & (i * 100)
Next
f.WriteLine "Footnote"
f.Close

Set o = CreateObject("Docvane.CreatePDF")

ps = dir & "\budget.ps"
printer = " "
o.CreatePSfromExcel ps, book, "Plan", "Costs", "pw", "", True, False, "Budget &P", 2, "", 0, _
  0, 0, 0, 0, 0, 0, 3, printer
text = ReadAll(ps)
Check "CreatePSfromExcel prints the named cells", InStr(text, "(Item1)") > 0 And InStr(text, "(300)") > 0
Check "cells outside the name are not printed", InStr(text, "(Heading)") = 0 And InStr(text, "(Footnote)") = 0
Check "the header is numbered from 3 at the right", InStr(text, "(Budget 3) 558.00") > 0
Check "gridlines are drawn", InStr(text, " G" & vbLf) > 0
Check "blank strDistiller comes back as PrinterName", printer = o.PrinterName

pdf = dir & "\budget.pdf"
o.CreatePDFfromExcel pdf, book, 1, "used_range", "pw"
Check "CreatePDFfromExcel writes the PDF", fso.FileExists(pdf)

On Error Resume Next
o.CreatePDFfromExcel dir & "\bad.pdf", book, "Plan", "A1:ZZZZ9", "pw"
number = Err.Number : description = Err.Description
On Error GoTo 0
Check "a rejected range is the library error", number = -2147467008
Check "a rejected range says so", description = "Invalid worksheet range"
Check "no PDF after the error", Not fso.FileExists(dir & "\bad.pdf")

On Error Resume Next
o.CreatePSfromExcel dir & "\x.ps", book, "Summary", "A1", "pw"
number = Err.Number : description = Err.Description
On Error GoTo 0
Check "an unknown sheet keeps Excel's error 9", number = 9 Or number = -2146828279
Check "an unknown sheet keeps Excel's text", description = "Subscript out of range"

WScript.Echo "END-OF-SCRIPT"
