' Merging and bookmarks from a script client, run by merge_bookmarks_test
' with a fresh work folder as its argument; that test then reads the files
' written here with qpdf and poppler. Checks what a client can see itself:
' page counts and the bookmark tables the library reads back.
Option Explicit

Dim sh, fso, env, data, work, pdf, rows, source, n, i, files, ok, f
Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
Set env = sh.Environment("PROCESS")
data = env("DV_TEST_DATA")
work = WScript.Arguments(0)

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
  End If
End Sub

Function Row(table, r)
  Dim c, s
  s = ""
  For c = 0 To UBound(table, 2)
    If c > 0 Then s = s & "|"
    s = s & table(r, c)
  Next
  Row = s
End Function

Function AllRows(table, count)
  Dim r, s
  s = ""
  For r = 0 To count - 1
    If r > 0 Then s = s & ";"
    s = s & Row(table, r)
  Next
  AllRows = s
End Function

sh.RegWrite "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\", "9.0", "REG_SZ"
fso.CopyFile data & "\merge_one.pdf", work & "\one.pdf"
fso.CopyFile data & "\merge_two.pdf", work & "\two.pdf"
fso.CopyFile data & "\merge_three.pdf", work & "\three.pdf"
fso.CopyFile data & "\viewer_plain.pdf", work & "\marked.pdf"
fso.CopyFile data & "\viewer_book.pdf", work & "\copied.pdf"
fso.CopyFile data & "\viewer_book.pdf", work & "\book.pdf"
fso.CreateFolder work & "\dir"
fso.CopyFile data & "\viewer_dir\*.pdf", work & "\dir\"

Set pdf = CreateObject("Docvane.CreatePDF")

' Three PDFs with outlines, the target among them, a missing entry skipped.
files = Array(work & "\one.pdf", work & "\missing.pdf", work & "\TWO.pdf", work & "\three.pdf")
pdf.CreatePDFfromMultiPDF work & "\two.pdf", files
Check pdf.GetNumPagesPDF(work & "\two.pdf") = 6, "the merge holds the 2 + 3 + 1 pages"
n = pdf.BookmarksToArray(work & "\two.pdf", rows)
Check n = 6, "the merge holds the inputs' 6 bookmarks (" & n & ")"
If n = 6 Then
  Check AllRows(rows, n) = "Alpha|1|0|72|720;Alpha end|1|1|72|520;Beta|1|2|0|792;Methods|2|3|72|620;" & _
    "Results|2|4|72|420;Gamma|1|5|10|700", "the bookmarks lead to their pages in the merge (" & AllRows(rows, n) & ")"
End If
ok = True
For Each f In fso.GetFolder(work).Files
  If LCase(fso.GetExtensionName(f.Name)) = "tmp" Then ok = False
Next
Check ok, "no working copy is left beside the target"

' The folder form, sorted by name descending: the first file is the target.
pdf.CreatePDFfromMultiPDFinDir work & "\dir\charlie.pdf", work & "\dir", "*.pdf", 1, 1
Check pdf.GetNumPagesPDF(work & "\dir\charlie.pdf") = 6, "the folder merge replaced its first file with all 6 pages"
pdf.CreatePDFfromMultiPDFinDir work & "\bysize.pdf", work & "\dir\", "?????.pdf", 2, 0
Check pdf.GetNumPagesPDF(work & "\bysize.pdf") = 3, "only alpha and bravo match five letters (1 + 2 pages)"
pdf.CreatePDFfromMultiPDFinDir work & "\nothing.pdf", work & "\dir", "*.xyz"
Check Not fso.FileExists(work & "\nothing.pdf"), "no match writes nothing"

' Bookmarks where the texts are found; the single form on the same file.
' A search goes on from the text found before it: "two" before "Three".
pdf.CreateBookmarksInPDF work & "\marked.pdf", Array("two", "Nowhere", "Three")
pdf.CreateBookmarkInPDF work & "\marked.pdf", "One", True, True, True
n = pdf.BookmarksToArray(work & "\marked.pdf", rows)
Check n = 3, "two found titles and the single one became bookmarks (" & n & ")"
If n = 3 Then
  Check rows(0, 0) = "two" And rows(0, 2) = 1 And rows(1, 0) = "Three" And rows(1, 2) = 2 And _
    rows(2, 0) = "One" And rows(2, 2) = 0, "each bookmark leads to its text's page (" & AllRows(rows, n) & ")"
End If

' An outline copied as JavaScript bookmarks reads back as the source's rows,
' in front of the target's own four (created from index 0 on).
n = pdf.BookmarksToArray(work & "\book.pdf", source)
Check n = 4, "the book has 4 bookmarks"
Check pdf.BookmarksToPDF(work & "\book.pdf", work & "\copied.pdf") = 4, "BookmarksToPDF copies the 4 bookmarks"
Check pdf.BookmarksToArray(work & "\copied.pdf", rows) = 8, "the target has its 4 bookmarks and the 4 copied"
ok = True
For i = 0 To 3
  If rows(i, 0) <> source(i, 0) Or rows(i, 1) <> source(i, 1) Or rows(i, 2) <> source(i, 2) Then ok = False
  If rows(i, 1) = 1 And (rows(i, 3) <> source(i, 3) Or rows(i, 4) <> source(i, 4)) Then ok = False
Next
Check ok, "the copy's rows are the source's (" & AllRows(rows, 4) & " / " & AllRows(source, 4) & ")"

' Bad input: a clear error and nothing written.
On Error Resume Next
pdf.CreatePDFfromMultiPDF work & "\bad.pdf", work & "\one.pdf"
Check Err.Number = 13, "a single path instead of a list is a type mismatch (" & Err.Number & ")"
Err.Clear
n = pdf.BookmarksToArray(work & "\none.pdf", rows)
Check Err.Number = -2147467008 And Err.Description = "File " & work & "\none.pdf does not exist.", _
  "a missing file raises the does-not-exist error"
Err.Clear
pdf.CreateBookmarksInPDF work & "\none.pdf", Array("x")
Check Err.Number = -2147467008, "CreateBookmarksInPDF of a missing file raises"
Err.Clear
On Error GoTo 0
Check Not fso.FileExists(work & "\bad.pdf"), "the refused merge wrote nothing"
' The viewer ends once its last object is released; give its server a
' moment (a bounded number of looks: Wine's script host has no Sleep).
For i = 1 To 5000
  If Not pdf.IsAcrobatHidden() Then Exit For
Next
Check Not pdf.IsAcrobatHidden(), "no viewer is left running"

WScript.Echo "END-OF-SCRIPT"
