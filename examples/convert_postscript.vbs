' PostScript to PDF with Docvane: one file, then several files into one PDF.
' Usage: cscript //nologo convert_postscript.vbs <output folder>
Option Explicit
Dim fso, dir, converter, printer

Set fso = CreateObject("Scripting.FileSystemObject")
dir = WScript.Arguments(0)

' Two small PostScript jobs to work on.
Sub WritePostScript(path, title, pages)
  Dim f, i
  Set f = fso.CreateTextFile(path, True)
  f.WriteLine "%!PS-Adobe-3.0"
  f.WriteLine "%%Pages: " & pages
  f.WriteLine "%%EndComments"
  For i = 1 To pages
    f.WriteLine "%%Page: " & i & " " & i
    f.WriteLine "/Helvetica findfont 28 scalefont setfont 72 700 moveto (" & title & ", page " & i & ") show showpage"
  Next
  f.WriteLine "%%EOF"
  f.Close
End Sub

WritePostScript dir & "\chapter1.ps", "Chapter one", 3
WritePostScript dir & "\chapter2.ps", "Chapter two", 2

Set converter = CreateObject("Docvane.CreatePDF")

' An empty printer variable comes back holding the Distiller printer's name.
printer = ""
converter.CreatePDFfromPS dir & "\chapter1.pdf", dir & "\chapter1.ps", printer
WScript.Echo "CreatePDFfromPS wrote " & dir & "\chapter1.pdf (Distiller printer: " & printer & ")"

converter.CreatePDFfromMultiPS dir & "\book.pdf", Array(dir & "\chapter1.ps", dir & "\chapter2.ps")
WScript.Echo "CreatePDFfromMultiPS wrote " & dir & "\book.pdf"
WScript.Echo "Done."
