' Generic, image, miscellaneous-file and text-file conversions through real
' COM. Run by convert_generic_test.exe, which made the inputs in the folder
' given as the argument (photo.jpg, one.png, two.png, three.tif, four.gif,
' notes.txt, letter.rtf) and checks the files this leaves there with Unix tools.
Option Explicit
Dim sh, dir, o, images, before, key, caught

Sub Check(name, ok)
  If ok Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

' Runs one conversion, reporting an error instead of dying on it.
Sub Try(name)
  If Err.Number <> 0 Then
    WScript.Echo "FAIL " & name & ": " & Err.Number & " " & Err.Description
    Err.Clear
  Else
    WScript.Echo "PASS " & name
  End If
End Sub

Set sh = CreateObject("WScript.Shell")
dir = WScript.Arguments(0)
key = "HKLM\SOFTWARE\Classes\AcroExch.App\AcrobatVersion\"

On Error Resume Next

' CreatePDF through the add-in, the viewer recorded as version 9, then 7.
sh.RegWrite key, "9.0", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
o.CreatePDF dir & "\photo.jpg", dir & "\photo9.pdf"
Try "CreatePDF version 9"
Set o = Nothing
sh.RegWrite key, "7.0", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
o.CreatePDF dir & "\photo.jpg", dir & "\photo7.pdf", 0
Try "CreatePDF version 7"
Set o = Nothing

sh.RegWrite key, "9.0", "REG_SZ"
Set o = CreateObject("Docvane.CreatePDF")
o.CreatePDFfromImageFile dir & "\authored.pdf", dir & "\photo.jpg", , "Ann Author"
Try "CreatePDFfromImageFile with an author"

before = sh.RegRead("HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows\Device")
o.CreatePDFfromImageFile2 dir & "\printed photo.pdf", dir & "\photo.jpg"
Try "CreatePDFfromImageFile2"
Check "default printer after CreatePDFfromImageFile2", sh.RegRead("HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows\Device") = before

images = Array(dir & "\one.png", dir & "\missing.png", dir & "\two.png", dir & "\three.tif", dir & "\four.gif")
o.CreatePDFfromMultiImage dir & "\album.pdf", images
Try "CreatePDFfromMultiImage"

o.CreatePDFfromMiscFile dir & "\letter.pdf", dir & "\letter.rtf"
Try "CreatePDFfromMiscFile"

o.CreatePDFfromTextFile dir & "\notes8.pdf", dir & "\notes.txt"
Try "CreatePDFfromTextFile at 8 points"
o.CreatePDFfromTextFile dir & "\notes10.pdf", dir & "\notes.txt", False, "", False, 10
Try "CreatePDFfromTextFile at 10 points"
o.CreatePDFfromTextFile2 dir & "\notes margin.pdf", dir & "\notes.txt", , , , , , , , , , , , 36
Try "CreatePDFfromTextFile2 with a left margin of 36"
o.CreatePSfromTextFile dir & "\notes.ps", dir & "\notes.txt"
Try "CreatePSfromTextFile"

o.CreatePDFfromTextFile3 dir & "\notepad.pdf", dir & "\notes.txt"
Try "CreatePDFfromTextFile3"
o.CreatePSfromTextFile2 dir & "\notepad.ps", dir & "\notes.txt"
Try "CreatePSfromTextFile2"
o.CreatePSfromTextFile3 dir & "\text output.ps", dir & "\notes.txt", 4
Try "CreatePSfromTextFile3"
Check "default printer after the default-printer methods", sh.RegRead("HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows\Device") = before

' A missing input is the library's error naming it.
o.CreatePDFfromImageFile dir & "\none.pdf", dir & "\none.jpg"
caught = Err.Number
Check "missing image: " & Hex(caught) & " " & Err.Description, caught = -2147467008 And InStr(Err.Description, "none.jpg") > 0
Err.Clear

Set o = Nothing
WScript.Echo "END-OF-SCRIPT"
