' Annotations, search and markup through real COM on a PDF made from
' PostScript with known words: highlights of a phrase, a note, a free text
' and a stamp saved into the file, listed again after reopening, then the
' first page's annotations removed. Run by document_annotations_test.exe,
' which checks the files it leaves in the folder given as its argument.
Option Explicit
Dim sh, fso, dir, ps, pdf, ts, o, d, n, names, q, i, found, distiller

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Function Has(list, name)
  Dim k
  Has = False
  For k = 0 To UBound(list)
    If list(k) = name Then Has = True
  Next
End Function

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count > 0 Then
  dir = WScript.Arguments(0)
Else
  dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
End If
ps = dir & "\annotations.ps"
pdf = dir & "\annotations.pdf"

' Page 1: two lines with "Grand Total"; page 2: other words.
Set ts = fso.CreateTextFile(ps, True)
ts.WriteLine "%!PS-Adobe-3.0"
ts.WriteLine "%%Pages: 2"
ts.WriteLine "%%EndComments"
ts.WriteLine "%%Page: 1 1"
ts.WriteLine "/Helvetica findfont 12 scalefont setfont"
ts.WriteLine "72 700 moveto (Invoice Grand Total due now) show"
ts.WriteLine "72 650 moveto (The Grand Total again) show showpage"
ts.WriteLine "%%Page: 2 2"
ts.WriteLine "/Helvetica findfont 12 scalefont setfont"
ts.WriteLine "72 700 moveto (Nothing to mark here) show showpage"
ts.WriteLine "%%EOF"
ts.Close

Set o = CreateObject("Docvane.CreatePDF")
distiller = ""
o.CreatePDFfromPS pdf, ps, distiller
Check "the PDF was made", fso.FileExists(pdf)

Set d = o.OpenDocument(pdf)
n = d.FindAndHighlightText("Grand Total")
Check "FindAndHighlightText counts both occurrences", n = 2
Check "FindAndHighlightText is case-insensitive by default", d.FindAndUnderlineText("INVOICE", 1, 1, False) = 1
Check "a case-sensitive search misses other cases", d.FindAndStrikeoutText("INVOICE", 1, 1, True) = 0
q = d.GetTextCoordinates("Total")
Check "GetTextCoordinates gives eight numbers", IsArray(q) And UBound(q) = 7
Check "GetTextCoordinates of absent text is -1", d.GetTextCoordinates("absent") = -1
d.CreateComment 1, "A comment", Empty, "Ann", "Review", 50, 40, 2, "c1"
d.CreateFreeTextAnnot 1, Array(100, 100, 300, 140), "Free text", Empty, "Bob", "Notes", "f1"
d.CreateStampAnnot 2, Array(100, 300, 250, 350), "Stamped", Empty, "Cy", "Stamps", 0, 0, 4, "s1"
d.Save 1
d.CloseDoc
Set d = Nothing
fso.CopyFile pdf, dir & "\annotated.pdf", True

Set d = o.OpenDocument(pdf)
n = d.GetAnnotations(names)
Check "GetAnnotations lists every annotation after reopening", n = 8 And UBound(names) = 7
Check "GetAnnotations names the note, free text and stamp", Has(names, "c1") And Has(names, "f1") And Has(names, "s1")
n = d.GetAnnotations(names, 2)
Check "GetAnnotations of page 2", n = 1 And names(0) = "s1"
n = d.RemoveAnnotations(1)
Check "RemoveAnnotations 1 removes page 1's", n = 7
d.Save 1
d.CloseDoc
Set d = Nothing

Set d = o.OpenDocument(pdf)
n = d.GetAnnotations(names, 1)
Check "page 1 has no annotations left", n = 0 And UBound(names) = -1
Check "the stamp stays", d.GetAnnotations(names) = 1
d.CloseDoc
WScript.Echo "END-OF-SCRIPT"
