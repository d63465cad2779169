' PostScript to PDF through Docvane.CreatePDF and the Distiller stand-in,
' called the way a script client calls it: variables passed by reference,
' errors read from Err.
Option Explicit
Dim sh, fso, dir, pdf, printer, files, o, number, source, description

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

' A PostScript job of `count` pages whose text names the file and page.
Sub WritePostScript(path, label, count)
  Dim f, i
  Set f = fso.CreateTextFile(path, True)
  f.WriteLine "%!PS-Adobe-3.0"
  f.WriteLine "%%Pages: " & count
  f.WriteLine "%%EndComments"
  For i = 1 To count
    f.WriteLine "%%Page: " & i & " " & i
    f.WriteLine "/Helvetica findfont 24 scalefont setfont 72 700 moveto (" & label & " page " & i & ") show showpage"
  Next
  f.WriteLine "%%EOF"
  f.Close
End Sub

' Pages of a PDF as Ghostscript's pdfwrite writes them: one page object each.
Function PageCount(path)
  Dim text, re
  text = ReadAll(path)
  Set re = New RegExp
  re.Global = True
  re.Pattern = "/Type\s*/Page[^s]"
  PageCount = re.Execute(text).Count
End Function

Function ReadAll(path)
  Dim stream
  Set stream = CreateObject("ADODB.Stream")
  ReadAll = ""
  On Error Resume Next
  stream.Type = 2
  stream.Charset = "iso-8859-1"
  stream.Open
  stream.LoadFromFile path
  ReadAll = stream.ReadText
  stream.Close
  If Err.Number <> 0 Then
    Err.Clear
    Dim f
    Set f = fso.OpenTextFile(path, 1)
    ReadAll = f.ReadAll
    f.Close
  End If
  On Error GoTo 0
End Function

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
Set o = CreateObject("Docvane.CreatePDF")

' A missing input names the path and starts nothing.
pdf = dir & "\never.pdf"
On Error Resume Next
o.CreatePDFfromPS pdf, dir & "\missing.ps"
number = Err.Number : source = Err.Source : description = Err.Description
On Error GoTo 0
Check "missing input raises the library error", number = -2147467008 And source = "Docvane"
Check "missing input description", description = "File " & dir & "\missing.ps does not exist."
Check "missing input makes no PDF", Not fso.FileExists(pdf)

' One file; a blank printer variable comes back holding PrinterName.
WritePostScript dir & "\one.ps", "one", 2
pdf = dir & "\one.pdf"
fso.CreateTextFile(pdf, True).Write "stale"
printer = "   "
o.CreatePDFfromPS pdf, dir & "\one.ps", printer
Check "CreatePDFfromPS writes the PDF", fso.FileExists(pdf)
Check "CreatePDFfromPS PDF has both pages", PageCount(pdf) = 2
Check "blank strDistiller comes back as PrinterName", printer = o.PrinterName And printer <> ""
Check "PostScript input is kept", fso.FileExists(dir & "\one.ps")

' Several files; a missing one is left out, the combining file is removed.
WritePostScript dir & "\two.ps", "two", 1
files = Array(dir & "\one.ps", dir & "\absent.ps", dir & "\two.ps")
pdf = dir & "\multi_inputs.pdf"
o.CreatePDFfromMultiPS pdf, files
Check "CreatePDFfromMultiPS writes the PDF", fso.FileExists(pdf)
Check "CreatePDFfromMultiPS has the pages of the existing inputs", PageCount(pdf) = 3
Check "combining file is deleted", Not fso.FileExists(dir & "\multi_inputs.ps")
Check "inputs are kept", fso.FileExists(dir & "\one.ps") And fso.FileExists(dir & "\two.ps")

' A target named like one of the inputs must not destroy that input.
pdf = dir & "\one.pdf"
o.CreatePDFfromMultiPS pdf, Array(dir & "\one.ps", dir & "\two.ps")
Check "an input at the combining file's name survives", InStr(ReadAll(dir & "\one.ps"), "(one page 2) show") > 0
Check "that conversion still has all pages", PageCount(pdf) = 3

' A target too short to name a combining file fails through the error exit.
On Error Resume Next
o.CreatePDFfromMultiPS "ab", files
number = Err.Number : source = Err.Source
On Error GoTo 0
Check "too short a target raises invalid procedure call", number = 5 Or number = -2146828283

WScript.Echo "END-OF-SCRIPT"
