' Access reports to PDF and PostScript from a script client, run by
' convert_access_test with a work folder holding sales.mdb (two reports, a
' saved filter and a password) and open.mdb (no password) as its argument;
' that test reads the files written here with qpdf, poppler and gs. The
' Access and viewer versions are the machine's registry values, changed
' here before each CreatePDF reads them.
Option Explicit

Dim sh, work, cp, db, openDb, reports, e
Set sh = CreateObject("WScript.Shell")
work = WScript.Arguments(0)
db = work & "\sales.mdb"
openDb = work & "\open.mdb"

Sub Check(ok, what)
  If ok Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what
  End If
End Sub

Sub Versions(access, viewer)
  sh.RegWrite "HKLM\SOFTWARE\Classes\Access.Application\CurVer\", "Access.Application." & access, "REG_SZ"
  sh.RegWrite "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\", viewer, "REG_SZ"
  Set cp = CreateObject("Docvane.CreatePDF")
End Sub

Sub Report(what)
  If Err.Number = 0 Then
    WScript.Echo "PASS " & what
  Else
    WScript.Echo "FAIL " & what & ": " & Hex(Err.Number) & " " & Err.Description
  End If
  Err.Clear
End Sub

On Error Resume Next

Versions 11, "9.0"
Check cp.AccessVersion = 11, "AccessVersion follows CurVer"
cp.CreatePDFfromAccessReport2 work & "\norway.pdf", db, "Customer List", , "Op3n Sesame", , "country = 'Norway'"
Report "CreatePDFfromAccessReport2 with a where-condition"

cp.CreatePDFfromAccessReport work & "\relay.pdf", db, "Orders by Region", "Op3n Sesame"
Report "CreatePDFfromAccessReport through the PDF printer and the relay"

cp.CreatePSfromAccessReport2 work & "\customers.ps", db, "Customer List", "Generic PostScript Printer", _
  "Op3n Sesame", "Nordic Customers"
Report "CreatePSfromAccessReport2 with a saved filter"

reports = Array("Orders by Region", "Customer List", "Orders by Region")
cp.CreatePDFfromMultiAccessReport work & "\three.pdf", db, reports, "Op3n Sesame"
Report "CreatePDFfromMultiAccessReport with three reports"

cp.CreatePDFfromAccessReport work & "\wrong.pdf", db, "Customer List", "open sesame"
e = Err.Number & "|" & Err.Description & "|" & Err.Source
Err.Clear
Check e = "3031|Not a valid password.|Docvane", "a wrong password is Access's 3031: " & e

cp.CreatePDFfromAccessReport2 work & "\missing.pdf", db, "Invoices", , "Op3n Sesame"
e = Err.Number & "|" & Err.Description
Err.Clear
Check e = "2103|The report name 'Invoices' you entered in either the property sheet or macro is " & _
  "misspelled or refers to a report that doesn't exist.", "a missing report is Access's 2103: " & e

Versions 11, "5.0"
cp.CreatePDFfromAccessReport work & "\writer.pdf", db, "Customer List", "Op3n Sesame"
Report "CreatePDFfromAccessReport through PDFWriter"

Versions 9, "9.0"
Check cp.AccessVersion = 9, "AccessVersion 9"
cp.CreatePSfromAccessReport2 work & "\nine.ps", openDb, "Orders by Region", , , , "region = 'North'"
Report "CreatePSfromAccessReport2 with Access 9"

Versions 11, "9.0"
WScript.Echo "END-OF-SCRIPT"
