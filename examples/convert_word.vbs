' A Word document to PDF with Docvane, both ways: printed to PostScript
' and distilled (CreatePDFfromWord), and printed on the Acrobat PDF printer,
' whose "Save PDF File As" dialog dlgrelay answers (CreatePDFfromWord2).
' Usage: cscript //nologo convert_word.vbs <output folder>
Option Explicit
Dim fso, dir, converter, f, i, doc

Set fso = CreateObject("Scripting.FileSystemObject")
dir = WScript.Arguments(0)

doc = dir & "\minutes.txt"
Set f = fso.CreateTextFile(doc, True)
f.WriteLine "Minutes of the planning meeting"
f.WriteLine ""
For i = 1 To 70
  f.WriteLine i & ". Item discussed at the meeting, with the decision taken."
Next
f.Close

Set converter = CreateObject("Docvane.CreatePDF")

' Portrait, page numbers centred in the footer, through Distiller.
converter.CreatePDFfromWord dir & "\minutes_distilled.pdf", doc, "", "", "", False, True
WScript.Echo "CreatePDFfromWord wrote " & dir & "\minutes_distilled.pdf"

' Landscape, through the PDF printer and the relay.
converter.CreatePDFfromWord2 dir & "\minutes_printed.pdf", doc, "", "", "", True, True
WScript.Echo "CreatePDFfromWord2 wrote " & dir & "\minutes_printed.pdf"

' Word's own errors reach the caller with their number and text.
On Error Resume Next
converter.CreatePDFfromWord dir & "\nothing.pdf", dir & "\no such document.doc"
WScript.Echo "A missing document: " & Err.Description
On Error GoTo 0
WScript.Echo "Done."
