' Page work on an open PDF with Docvane: a report whose appendix came out
' first gets its pages in order, its landscape table turned upright, and
' page labels that number the front matter in roman numerals.
' Usage: cscript //nologo arrange_pages.vbs <output folder>
Option Explicit
Dim fso, dir, converter, doc, f, i, titles, counts, total

Set fso = CreateObject("Scripting.FileSystemObject")
dir = WScript.Arguments(0)

' A five-page report in the wrong order: the appendix first.
titles = Array("Appendix", "Contents", "Chapter one", "Landscape table", "Chapter two")
Set f = fso.CreateTextFile(dir & "\report.ps", True)
f.WriteLine "%!PS-Adobe-3.0"
f.WriteLine "%%Pages: 5"
f.WriteLine "%%EndComments"
For i = 0 To 4
  f.WriteLine "%%Page: " & (i + 1) & " " & (i + 1)
  f.WriteLine "/Helvetica findfont 28 scalefont setfont 72 700 moveto (" & titles(i) & ") show showpage"
Next
f.WriteLine "%%EOF"
f.Close

Set converter = CreateObject("Docvane.CreatePDF")
converter.CreatePDFfromPS dir & "\report.pdf", dir & "\report.ps", ""

Set doc = converter.OpenDocument(dir & "\report.pdf")
' The appendix goes to the end (0: after the last page).
doc.MovePage 1, 0
' The table, now page 3, is turned a quarter (90 degrees).
doc.SetPageRotations 3, 3, 90
' Page 1 is numbered i; the chapters from page 2 are numbered 1, 2, ...
doc.SetPageLabels 1, 2
doc.SetPageLabels 2, 0, "", 1
For i = 1 To doc.NumPages
  WScript.Echo "page " & i & " (label " & doc.GetPageLabel(i) & "): " & doc.GetPageNthWord(i, 0, True) & _
               ", rotated " & doc.GetPageRotation(i)
Next
total = doc.GetPagesWordCount(0, counts)
WScript.Echo total & " words on " & (UBound(counts) + 1) & " pages"
doc.SaveAs dir & "\arranged.pdf"
doc.CloseDoc
converter.CloseAcrobat
WScript.Echo "SaveAs wrote " & dir & "\arranged.pdf"
WScript.Echo "Done."
