' CreatePDF's configuration through real COM: what creation reads from the
' registry, the temporary folder, by-reference strings from script
' variables, and errors reaching Err intact.
Option Explicit
Dim sh, fso, o, d, p, n, failures
Set sh = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
failures = 0

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
    failures = failures + 1
  End If
End Sub

Const ACRO = "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\"
Const ACCESS = "HKLM\SOFTWARE\Classes\Access.Application\CurVer\"
Const DIST = "HKLM\SOFTWARE\Adobe\Acrobat Distiller\"

' Wine's RegDelete leaves keys in place; reg.exe removes them.
Sub RemoveKey(k)
  Dim path
  path = k
  If Right(path, 1) = "\" Then path = Left(path, Len(path) - 1)
  sh.Run "reg delete """ & path & """ /f", 0, True
End Sub

Sub Clean()
  Dim v
  ' Only the version: the class key itself holds the viewer's registration,
  ' which later scripts need.
  RemoveKey ACRO
  RemoveKey ACCESS
  RemoveKey "HKLM\SOFTWARE\Classes\Access.Application\"
  For Each v In Array("5.0", "6.0", "7.0", "8.0", "9.0", "10.0")
    RemoveKey DIST & v & "\PrinterName\"
    RemoveKey DIST & v & "\"
  Next
  RemoveKey DIST
End Sub

Clean

' No Acrobat registered.
Set o = CreateObject("Docvane.CreatePDF")
Check o.AcrobatVersion = "", "no AcrobatVersion key gives an empty version"
Check o.PrinterName = "Acrobat Distiller", "no Acrobat keeps Acrobat Distiller"
Check o.AccessVersion = 0, "Access not installed reads 0"
Check o.TempFilePath = "c:\temp\", "creation sets c:\temp\"
Check fso.FolderExists("c:\temp"), "creation makes c:\temp"

' Acrobat 8 with only the 8.0 Distiller key.
sh.RegWrite ACRO, "8.0", "REG_SZ"
sh.RegWrite DIST & "8.0\PrinterName\", "Adobe PDF Converter", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
Check o.AcrobatVersion = "8.0", "AcrobatVersion reads 8.0"
Check o.PrinterName = "Adobe PDF Converter", "the 8.0 PrinterName key names the printer"
RemoveKey DIST & "8.0\PrinterName\"
Set o = CreateObject("Docvane.CreatePDF")
Check o.PrinterName = "Adobe PDF", "version 8 without PrinterName keys gives Adobe PDF"
sh.RegWrite DIST & "9.0\PrinterName\", "Nine", "REG_SZ"
sh.RegWrite DIST & "10.0\PrinterName\", "Ten", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
Check o.PrinterName = "Ten", "the highest Distiller version wins"
RemoveKey DIST & "9.0\PrinterName\"
RemoveKey DIST & "10.0\PrinterName\"

sh.RegWrite ACRO, "5.0", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
Check o.PrinterName = "Acrobat Distiller", "version 5.0 keeps Acrobat Distiller"

' Access 2003.
sh.RegWrite ACCESS, "Access.Application.11", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
Check o.AccessVersion = 11, "Access.Application.11 reads 11"
o.AccessVersion = 9
Check o.AccessVersion = 9, "AccessVersion takes a new value"

' The temporary folder.
If Not fso.FolderExists("c:\dvwork") Then fso.CreateFolder "c:\dvwork"
o.TempFilePath = "c:\dvwork"
Check o.TempFilePath = "c:\dvwork\", "an existing folder gets its backslash"
o.TempFilePath = "c:\dvmissing\parent\sub"
Check o.TempFilePath = "c:\dvwork\", "a folder whose parent is missing is refused silently"
Check Not fso.FolderExists("c:\dvmissing"), "nothing is created for a refused folder"
o.TempFilePath = "c:\dvwork\new"
Check fso.FolderExists("c:\dvwork\new") And o.TempFilePath = "c:\dvwork\new\", "a new folder is created and taken"
Set d = CreateObject("Docvane.CreatePDF")
Check o.TempFilePath = "c:\temp\", "a second creation resets the folder"

' By-reference strings from script variables.
p = "c:\docs\a.pdf"
Set d = o.OpenDocument(p)
Check TypeName(d) <> "Nothing" And IsObject(d), "OpenDocument with a variable returns a Document"
Check p = "c:\docs\a.pdf", "the variable keeps its text"
n = 42
Set d = o.OpenDocument(n)
Check TypeName(n) = "String" And n = "42", "a number variable comes back as the declared string"
Set d = o.OpenDocument("c:\literal.pdf")
Check IsObject(d), "OpenDocument with a literal"
o.SetDefPrinter "No Such Printer Anywhere"
Check True, "SetDefPrinter with an unknown printer raises nothing"

' Errors reach Err with number, source and description.
On Error Resume Next
o.AccessVersion = "abc"
Check Err.Number = 13, "a non-numeric AccessVersion is a type mismatch (" & Err.Number & ")"
Check Err.Source = "Docvane", "the error's source is Docvane (" & Err.Source & ")"
Check Err.Description = "Type mismatch", "the error's description (" & Err.Description & ")"
Err.Clear
o.AccessVersion = 40000
Check Err.Number = 6 And Err.Description = "Overflow", "40000 overflows a 16-bit AccessVersion"
Err.Clear
o.NoSuchMember
Check Err.Number = 438, "an unknown member is refused (" & Err.Number & ")"
Err.Clear
Set d = CreateObject("Docvane.Document")
Check Err.Number <> 0, "Document cannot be created by ProgID"
Err.Clear
v = o.AcrobatVersion(1)
Check Err.Number = 450, "AcrobatVersion with an argument is refused (" & Err.Number & ")"
Err.Clear
o.SetDefPrinter "a", "b"
Check Err.Number = 450, "SetDefPrinter with two arguments is refused (" & Err.Number & ")"
Err.Clear
On Error GoTo 0

Clean
WScript.Echo "END-OF-SCRIPT"
