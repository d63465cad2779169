' Two reports of an Access database into one PDF with Docvane: each report
' is printed on the Acrobat PDF printer, whose "Save PDF File As" dialog
' dlgrelay answers, and the two PDFs are merged in the order given
' (CreatePDFfromMultiAccessReport). The price list leaves out what is not
' in stock.
' Usage: cscript //nologo convert_access.vbs <output folder holding sample.mdb>
Option Explicit
Dim dir, converter, reports, wheres

dir = WScript.Arguments(0)
Set converter = CreateObject("Docvane.CreatePDF")
WScript.Echo "Access version " & converter.AccessVersion & ", viewer version " & converter.AcrobatVersion

reports = Array("Suppliers", "Price List")
wheres = Array("", "stock > 0")
converter.CreatePDFfromMultiAccessReport dir & "\catalogue.pdf", dir & "\sample.mdb", reports, , , , , , wheres
WScript.Echo "CreatePDFfromMultiAccessReport wrote " & dir & "\catalogue.pdf"

' Access's own errors reach the caller with their number and text.
On Error Resume Next
converter.CreatePDFfromAccessReport dir & "\nothing.pdf", dir & "\sample.mdb", "Invoices"
WScript.Echo "A report the database lacks: " & Err.Description
On Error GoTo 0
WScript.Echo "Done."
