' GetPagesWordCount of every page of the PDF named as the argument: the
' first call on a freshly opened document (which reads the page text) and
' the best of three calls after it.
'   cscript //nologo document_words_bench.vbs a.pdf
Option Explicit
Dim o, d, counts, t0, first, best, t, i, total

Set o = CreateObject("Docvane.CreatePDF")
Set d = o.OpenDocument(WScript.Arguments(0))
t0 = Timer
total = d.GetPagesWordCount(0, counts)
first = Timer - t0
best = -1
For i = 1 To 3
  t0 = Timer
  total = d.GetPagesWordCount(0, counts)
  t = Timer - t0
  If best < 0 Or t < best Then best = t
Next
d.CloseDoc
Set d = Nothing
WScript.Echo "RESULT " & total & " " & first & " " & best
WScript.Echo "END-OF-SCRIPT"
