' A document composed through Docvane.NewDocument from a script client,
' before any CreatePDF exists on the thread: styles, colours, sizes,
' fonts, alignments, line and page breaks, right-aligned footer numbers
' from page 2, find-and-replace, a JPEG and a PNG, A4 landscape with
' margins; saved, extended and saved again, then closed. Arguments: the
' output folder, the JPEG, the PNG. composer_test checks the files.
Option Explicit
Dim fso, out, jpeg, png, d, distiller, f, newest, working, number

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
out = WScript.Arguments(0)
jpeg = WScript.Arguments(1)
png = WScript.Arguments(2)

Set d = CreateObject("Docvane.NewDocument")
Check "a new document is open", d.IsOpen
Check "the page setup starts at zero", d.TopMargin = 0 And d.PageSize = 0 And Not d.Landscape

d.PageSize = 7
d.Landscape = True
d.TopMargin = 0.5
d.BottomMargin = 0.5
d.LeftMargin = 0.75
d.RightMargin = 1
d.FooterDistance = 0.3
d.LeftMargin = 0.2
Check "a left margin below 0.25 is ignored", d.LeftMargin = 0.75
Check "the paper size is kept", d.PageSize = 7 And d.Landscape

d.AddPageNumber True, 2, False
d.PrintDocln "Composed title", 1, 1, 255, 20, "Arial"
d.PrintDocln "Right aligned italic", 2, 2, 0, 12, "Courier New"
d.PrintDoc "Plain start "
d.PrintDoc "underlined blue", 3, 16711680, 14, "Times New Roman"
d.NewLine 2
d.PrintDocln "Replace OLDWORD here and oldword there", 0
d.AddImage jpeg, 0, 0, 144, 108
d.AddImage png
d.AddPageBreak
d.PrintDocln "Second page text", 0, 8
d.FindAndReplace "OLDWORD", "NEWWORD", True, False

distiller = " "
d.Save out & "\first.pdf", distiller
Check "Save writes the PDF", fso.FileExists(out & "\first.pdf")
Check "strDistiller is not written back", distiller = " "

d.PrintDocln "Added after the first save"
d.Save out & "\composed.pdf"
Check "a second Save writes the PDF", fso.FileExists(out & "\composed.pdf")

' The working file is the newest .doc in the temporary folder.
newest = ""
For Each f In fso.GetFolder("c:\temp").Files
  If LCase(fso.GetExtensionName(f.Name)) = "doc" Then
    If newest = "" Then
      newest = f.Path
    ElseIf f.DateLastModified >= fso.GetFile(newest).DateLastModified Then
      newest = f.Path
    End If
  End If
Next
Check "the working file is in the temporary folder", newest <> ""
If newest <> "" Then fso.CopyFile newest, out & "\working.doc", True

d.CloseDoc
Check "CloseDoc closes", Not d.IsOpen
Check "the working file is gone after CloseDoc", newest <> "" And Not fso.FileExists(newest)
d.CloseDoc
Check "a second CloseDoc does nothing", Not d.IsOpen

On Error Resume Next
d.Save out & "\late.pdf"
number = Err.Number
On Error GoTo 0
Check "Save after CloseDoc raises", number <> 0
Check "Save after CloseDoc writes nothing", Not fso.FileExists(out & "\late.pdf")

On Error Resume Next
d.AddImage out & "\missing.png"
number = Err.Number
working = Err.Description
On Error GoTo 0
Check "a missing picture raises the library error", number = -2147467008 And working = "File " & out & "\missing.png does not exist."
WScript.Echo "END-OF-SCRIPT"
