' Converts a PostScript file to PDF with Acrobat Distiller's automation
' object, the step every Distiller-based conversion ends with.
'
'   cscript //nologo distill_postscript.vbs [output-folder]
'
' Reads sample.ps next to this script and writes distilled.pdf into the
' output folder (default: the script's folder).
Option Explicit
Dim fso, here, outDir, ps, pdf, distiller, result

Set fso = CreateObject("Scripting.FileSystemObject")
here = fso.GetParentFolderName(WScript.ScriptFullName)
If WScript.Arguments.Count > 0 Then
  outDir = WScript.Arguments(0)
Else
  outDir = here
End If
ps = fso.BuildPath(here, "sample.ps")
pdf = fso.BuildPath(outDir, "distilled.pdf")

Set distiller = CreateObject("PdfDistiller.PdfDistiller")
distiller.bShowWindow = False
distiller.bSpoolJobs = False
WScript.Echo "Distilling " & ps
result = distiller.FileToPDF(ps, pdf, "")
Set distiller = Nothing

If result = 1 And fso.FileExists(pdf) Then
  WScript.Echo "Wrote " & pdf & " (" & fso.GetFile(pdf).Size & " bytes)"
Else
  WScript.Echo "Distiller could not convert " & ps & " (result " & result & ")"
  WScript.Quit 1
End If
WScript.Echo "Done."
