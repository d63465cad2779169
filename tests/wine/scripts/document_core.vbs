' Document through real COM: OpenDocument on real PDF files, properties
' saved into the file, field lists, TextFileToArray into script arrays,
' enumeration texts, colours, and a document that did not open.
Option Explicit
Dim sh, fso, dir, data, o, d, path, arr, a, r, f, n, names, c, s, ts, missing, number

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
dir = sh.Environment("PROCESS")("DV_BENCH_DIR")
data = sh.Environment("PROCESS")("DV_TEST_DATA")
path = dir & "\document_core.pdf"
fso.CopyFile data & "\document_two_pages.pdf", path, True

Set o = CreateObject("Docvane.CreatePDF")
Set d = o.OpenDocument(path)
Check "NumPages of a real PDF", d.NumPages = 2
Check "Title read from the file", d.Title = "Original"
Check "FileSize is the file's", d.FileSize = fso.GetFile(path).Size
d.Title = "Changed by VBScript"
d.Save 1
d.CloseDoc
Set d = Nothing
Set d = o.OpenDocument(path)
Check "Title saved into the file and read back", d.Title = "Changed by VBScript"
arr = d.GetFieldsArray
Check "GetFieldsArray without fields is an empty array", IsArray(arr) And UBound(arr) = -1
Check "GetFields without fields is empty", d.GetFields.Count = 0
Check "GetFont", d.GetFont(5) = "Helvetica-Bold"
Check "GetTrigger(dvnNone) on a Document", d.GetTrigger(10) = ""
Check "GetNoteIcon fallback", d.GetNoteIcon(99) = "Note"
Check "GetFileType(dvnTXT)", d.GetFileType(10) = "com.adobe.acrobat.accesstext"
c = Array(0, 0, 0, 0)
d.SetColor 11, c
Check "SetColor light grey", c(0) = "G" And c(1) = 0.75 And TypeName(c(1)) = "Double" And c(2) = 0
d.SetColor 3, c
Check "SetColor red as integers", c(0) = "RGB" And c(1) = 1 And TypeName(c(1)) = "Integer"
Set f = d.CreateJavaScriptObject
Check "CreateJavaScriptObject reaches the document", f.NumPages = 2
d.CloseDoc

fso.CopyFile data & "\document_form.pdf", dir & "\document_form.pdf", True
Set d = o.OpenDocument(dir & "\document_form.pdf")
names = ""
For Each n In d.GetFields
  names = names & n & ";"
Next
Check "For Each over GetFields", names = "name;city;"
arr = d.GetFieldsArray
Check "GetFieldsArray with fields", UBound(arr) = 1 And arr(1) = "city"
Check "NumFields", d.NumFields = 2
Check "GetNthFieldName", d.GetNthFieldName(0) = "name"

path = dir & "\document_core.csv"
Set ts = fso.CreateTextFile(path, True)
ts.Write "a,b,c" & vbCrLf & "1,2,3,4,5" & vbCrLf & """x"",y,z,w" & vbCrLf
ts.Close
ReDim a(0)
r = o.TextFileToArray(path, a)
Check "TextFileToArray fills a dynamic array", r = 1 And UBound(a, 1) = 2 And UBound(a, 2) = 4
Check "TextFileToArray cells", a(1, 4) = "5" And a(0, 2) = "c" And IsEmpty(a(0, 3)) And a(2, 0) = """x"""
r = d.TextFileToArray(path, a, "", True)
Check "Document.TextFileToArray removes quotes", r = 1 And a(2, 0) = "x"
r = o.TextFileToArray(dir & "\no-such.csv", a)
Check "TextFileToArray on a missing file", r = -1 And UBound(a, 1) = 2
s = "text"
r = o.TextFileToArray(path, s)
Check "TextFileToArray into a non-array", r = -2 And s = "text"
d.CloseDoc

Set missing = o.OpenDocument(dir & "\missing.pdf")
On Error Resume Next
n = missing.NumPages
number = Err.Number
On Error GoTo 0
Check "NumPages of a document that did not open raises error 91", number = 91
arr = missing.GetFieldsArray
Check "GetFieldsArray of a document that did not open is empty", UBound(arr) = -1

WScript.Echo "END-OF-SCRIPT"
