' An image and a text file to PDF with Docvane: the picture through
' Acrobat's own conversion, the text through Word and Acrobat Distiller in
' 9-point Courier New with page numbers, and the same text printed by
' Notepad to the Acrobat PDF printer (dlgrelay answers the printer's
' dialog).
' Usage: cscript //nologo convert_image_and_text.vbs <output folder>
Option Explicit
Dim fso, dir, picture, text, f, i, converter

Set fso = CreateObject("Scripting.FileSystemObject")
dir = WScript.Arguments(0)
picture = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "logo.jpg")

text = dir & "\release_notes.txt"
Set f = fso.CreateTextFile(text, True)
For i = 1 To 120
  f.WriteLine "Release note " & i & ": every change of this release is listed here."
Next
f.Close

Set converter = CreateObject("Docvane.CreatePDF")
converter.CreatePDFfromImageFile dir & "\logo.pdf", picture, "Logo", "Docvane demo"
WScript.Echo "Wrote " & dir & "\logo.pdf"
converter.CreatePDFfromTextFile dir & "\release_notes.pdf", text, False, "Courier New", False, 9, 0, False, False, True
WScript.Echo "Wrote " & dir & "\release_notes.pdf"
converter.CreatePDFfromTextFile3 dir & "\release_notes_notepad.pdf", text
WScript.Echo "Wrote " & dir & "\release_notes_notepad.pdf"
WScript.Echo "Done."
