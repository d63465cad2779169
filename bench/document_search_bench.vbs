' GetTextCoordinates of a word that is nowhere in the document (a full
' search) on the PDFs named as arguments: for each, the first call on a
' freshly opened document (which reads the page text) and the best of
' three calls after it, with the number of words searched.
'   cscript //nologo document_search_bench.vbs a.pdf [b.pdf ...]
Option Explicit
Dim o, d, js, k, p, words, t0, first, best, t, i, r

Set o = CreateObject("Docvane.CreatePDF")
For k = 0 To WScript.Arguments.Count - 1
  Set d = o.OpenDocument(WScript.Arguments(k))
  t0 = Timer
  r = d.GetTextCoordinates("zzqxabsent")
  first = Timer - t0
  best = -1
  For i = 1 To 3
    t0 = Timer
    r = d.GetTextCoordinates("zzqxabsent")
    t = Timer - t0
    If best < 0 Or t < best Then best = t
  Next
  Set js = d.CreateJavaScriptObject
  words = 0
  For p = 0 To js.NumPages - 1
    words = words + js.getPageNumWords(p)
  Next
  Set js = Nothing
  d.CloseDoc
  Set d = Nothing
  WScript.Echo "RESULT " & k & " " & words & " " & first & " " & best & " " & (r = -1)
Next
WScript.Echo "END-OF-SCRIPT"
