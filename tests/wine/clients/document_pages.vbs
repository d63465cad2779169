' Page operations through real COM on a five-page PDF whose pages read
' "Page 1" ... "Page 5": pages moved, inserted, deleted and added, rotated
' and labelled, a range extracted, words read and counted, then saved. Run
' by document_pages_test.exe, which checks the files it leaves in the
' folder given as its argument with qpdf, pdfinfo and pdftotext.
Option Explicit
Dim sh, fso, dir, o, d, book, extra, extracted, counts, total, n, label, missingError

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

' A PDF with one line of text per page, through Distiller.
Sub MakePdf(pdf, texts)
  Dim ps, ts, i
  ps = pdf & ".ps"
  Set ts = fso.CreateTextFile(ps, True)
  ts.WriteLine "%!PS-Adobe-3.0"
  ts.WriteLine "%%Pages: " & (UBound(texts) + 1)
  ts.WriteLine "%%EndComments"
  For i = 0 To UBound(texts)
    ts.WriteLine "%%Page: " & (i + 1) & " " & (i + 1)
    ts.WriteLine "/Helvetica findfont 20 scalefont setfont"
    ts.WriteLine "72 700 moveto (" & texts(i) & ") show showpage"
  Next
  ts.WriteLine "%%EOF"
  ts.Close
  o.CreatePDFfromPS pdf, ps, ""
End Sub

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count > 0 Then
  dir = WScript.Arguments(0)
Else
  dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
End If
book = dir & "\book.pdf"
extra = dir & "\extra.pdf"
extracted = dir & "\extracted.pdf"

Set o = CreateObject("Docvane.CreatePDF")
MakePdf book, Array("Page 1", "Page 2", "Page 3", "Page 4", "Page 5")
MakePdf extra, Array("Extra 1", "Extra 2")
Check "the PDFs were made", fso.FileExists(book) And fso.FileExists(extra)

Set d = o.OpenDocument(book)
Check "five pages to start with", d.NumPages = 5
d.MovePage 5, -1
Check "MovePage 5, -1 puts page 5 in front", d.GetPageNthWord(1, 1) = "5"
d.InsertPages extra, 0
Check "InsertPages after 0 appends the source", d.NumPages = 7
d.DeletePages 4
Check "DeletePages 4 deletes from page 4 to the last", d.NumPages = 3
d.InsertPages extra
Check "InsertPages by default puts the source in front", d.GetPageNthWord(1, 0, True) = "Extra"
d.NewPage 0
Check "NewPage 0 appends a page", d.NumPages = 6
d.SetPageRotations 3, 4, 90
Check "SetPageRotations turns pages 3 and 4", d.GetPageRotation(3) = 90 And d.GetPageRotation(4) = 90
Check "the other pages stay upright", d.GetPageRotation(2) = 0
d.SetPageLabels 1, 2
label = d.GetPageLabel(2)
Check "SetPageLabels roman lower case: page 2 is ii (" & label & ")", label = "ii"
d.ExtractPages 3, 4, extracted
Check "ExtractPages writes the file", fso.FileExists(extracted)
Check "GetPageNthWord keeps the blank of an unstripped word", d.GetPageNthWord(3, 0) = "Page "
Check "GetPageNthWord strips when asked", d.GetPageNthWord(3, 0, True) = "Page"
total = d.GetPagesWordCount(0, counts)
Check "GetPagesWordCount totals the pages", total = 10
Check "GetPagesWordCount gives one count per page from 0", UBound(counts) = 5 And counts(0) = 2 And counts(5) = 0
Check "GetPagesWordCount of one page", d.GetPagesWordCount(4, counts) = 2 And UBound(counts) = 0

On Error Resume Next
d.DeletePages 9
missingError = Err.Number
Check "a page out of range fails (" & Err.Description & ")", missingError <> 0 And InStr(Err.Description, "RangeError") = 1
Err.Clear
On Error GoTo 0

d.Save 1
d.CloseDoc
Set d = Nothing
o.CloseAcrobat
Set o = Nothing
WScript.Echo "END-OF-SCRIPT"
