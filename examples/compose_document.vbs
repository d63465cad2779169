' A new document composed piece by piece with Docvane.NewDocument (Word
' does the composing) and saved as PDF through Acrobat Distiller: a title,
' styled and coloured paragraphs, a picture, a page break, page numbers in
' the footer and a find-and-replace, on A4 paper.
' Usage: cscript //nologo compose_document.vbs <output folder>
Option Explicit
Dim fso, dir, picture, d, i

Set fso = CreateObject("Scripting.FileSystemObject")
dir = WScript.Arguments(0)
picture = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "logo.jpg")

Set d = CreateObject("Docvane.NewDocument")
d.PageSize = 7          ' A4
d.LeftMargin = 1
d.RightMargin = 1
d.AddPageNumber True, 1 ' centred in the footer

d.PrintDocln "Quarterly report", 1, 1, 8388608, 22, "Arial"
d.AddImage picture, 0, 0, 180, 90
d.PrintDocln "Prepared by the [TEAM] team.", 0, 2
For i = 1 To 12
  d.PrintDoc "Section " & i & ": ", 1
  d.PrintDoc "the figures of this section are on target, and the [TEAM] team expects the same next quarter. "
  d.NewLine
Next
d.AddPageBreak
d.PrintDocln "Appendix", 0, 4, 255, 16
d.PrintDocln "Figures are rounded to whole units.", 2
d.FindAndReplace "[TEAM]", "planning", True, False

d.Save dir & "\composed.pdf"
WScript.Echo "Save wrote " & dir & "\composed.pdf"
d.CloseDoc
WScript.Echo "Done."
