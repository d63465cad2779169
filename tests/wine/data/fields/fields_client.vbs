' Form fields through real COM, in phases the test program runs in turn
' (it checks the file with qpdf and pdfsig between them):
'   create <pdf>                 one field of each kind, saved
'   readback <pdf>               the fields read back; print flag, locks, saved
'   sign <pdf> <p12> <password>  a wrong password, then the right one
'   signed <pdf>                 the signature read back after reopening
Option Explicit
Dim args, phase, path, o, d, f, v, ok

Sub Check(name, good)
  If good Then
    WScript.Echo "PASS " & name
  Else
    WScript.Echo "FAIL " & name
  End If
End Sub

Function Same(a, b)
  Dim i
  Same = False
  If Not IsArray(a) Or Not IsArray(b) Then Exit Function
  If UBound(a) - LBound(a) <> UBound(b) - LBound(b) Then Exit Function
  For i = 0 To UBound(a) - LBound(a)
    If CStr(a(LBound(a) + i)) <> CStr(b(LBound(b) + i)) Then Exit Function
  Next
  Same = True
End Function

Set args = WScript.Arguments
phase = args(0)
path = args(1)
Set o = CreateObject("Docvane.CreatePDF")
Set d = o.OpenDocument(path)

If phase = "create" Then
  ' Name, page, rectangle (left, top, right, bottom), then the kind's settings.
  d.CreateTextField "Customer.Name", 1, Array(72, 720, 300, 700), 1, 2, 20, False, 0, "nobody", 0, True, False, _
      Array("RGB", 1, 1, 0), 2, False, False, False, True, Array("G", 0), "cust_name", Array("RGB", 0, 0, 1), 8, 12, _
      "Your name", "Ada Lovelace", 4, "app.beep(0);"
  d.CreateButtonField "Send", 1, Array(72, 680, 172, 650), "Send it", 1, 30, 70, True, 0, Array("G", 0.75), 1, False, _
      Array("RGB", 1, 0, 0), "", Array("G", 0), 5, 10, "Send the form", 0, "this.print();"
  d.CreateCheckBoxField "Agree", 1, Array(72, 640, 90, 622), Array("Accepted"), 0, "", 0, Array("G", 1), 1, False, _
      True, Array("G", 0), "", Array("G", 0), 10, "Tick to agree", "Accepted", 10, "", 0, 1
  d.CreateRadioButtonField "Size", 2, Array(72, 600, 90, 582), Array("Large"), 0, "", 0, Array("G", 1), 1, False, _
      False, Array("G", 0), "", Array("G", 0), 10, "", "Off", True, 10, "", 0, 3
  d.CreateComboBoxField "Colour", 1, Array(72, 560, 200, 540), Array("Red", "Green", "Blue"), 0, True, 0, "Green", _
      True, 0, False, Array("G", 1), 1, False, False, Array("G", 0), "", Array("G", 0), 4, 9, "Pick a colour", "g", _
      10, "", 0, Array("r", "g", "b")
  d.CreateListBoxField "Fruit", 2, Array(72, 520, 200, 460), Array("Apple", "Pear"), 0, False, "", 2, Array("G", 1), _
      True, 1, False, True, Array("G", 0), "", Array("G", 0), 0, 10, "", "Pear"
  d.CreateSignatureField "Approval", 1, Array(300, 200, 500, 150), 0, 0, Array("G", 1), 1, False, False, _
      Array("G", 0), "", Array("G", 0), 10, "Sign here"
  Check "seven fields in the document", d.NumFields = 7
  d.Save 1
  d.CloseDoc
ElseIf phase = "readback" Then
  Check "seven fields read from the file", d.NumFields = 7
  Set f = d.GetField("Customer.Name")
  Check "text value", f.Value = "Ada Lovelace"
  Check "text type", f.FieldType = "text"
  Check "text alignment", f.Alignment = "center"
  Check "text border", f.BorderStyle = "dashed"
  Check "text limit", f.CharLimit = 20
  Check "text default", f.DefaultValue = "nobody"
  Check "text font", f.TextFont = "Courier"
  Check "text size", f.TextSize = 12
  Check "text tool tip", f.UserName = "Your name"
  Check "text submit name", f.SubmitName = "cust_name"
  Check "text required", f.Required
  Check "text fill colour", Same(f.FillColor, Array("RGB", 1, 1, 0))
  Check "text colour", Same(f.TextColor, Array("RGB", 0, 0, 1))
  Check "text page", f.Page = 0
  Check "text rectangle", Same(f.Rect, Array(72, 720, 300, 700))
  Check "text prints", f.PrintField
  f.PrintField = False
  Check "PrintField False", Not f.PrintField
  Set f = d.GetField("Send")
  Check "button caption", f.GetButtonCaption(0) = "Send it"
  Check "button type", f.FieldType = "button"
  Check "button align", f.ButtonAlignX = 30 And f.ButtonAlignY = 70
  Check "button highlight", f.Highlight = "invert"
  Set f = d.GetField("Agree")
  Check "check box checked", f.IsBoxChecked(0)
  Check "check box value", f.Value = "Accepted"
  Check "check box style", f.Style = "cross"
  Check "check box export values", Same(f.ExportValues, Array("Accepted"))
  Set f = d.GetField("Size")
  Check "radio button not checked", Not f.IsBoxChecked(0)
  Check "radio button page", f.Page = 1
  Check "radio button in unison", f.RadiosInUnison
  Check "radio button style", f.Style = "circle"
  Set f = d.GetField("Colour")
  Check "combo box items", f.NumItems = 3
  Check "combo box item text", f.GetItem(1, False) = "Green"
  Check "combo box item export", f.GetItem(1, True) = "g"
  Check "combo box value", f.Value = "g"
  Check "combo box editable", f.Editable
  Check "combo box commit", f.CommitOnSelChange
  Set f = d.GetField("Fruit")
  Check "list box exports equal items", f.GetItem(0, True) = "Apple"
  Check "list box multiple selection", f.MultipleSelection
  Check "list box value", f.Value = "Pear"
  Check "list box display", f.Display = 2
  Set f = d.GetField("Approval")
  Check "signature unsigned", Not f.IsSigned
  Check "signature status 0", f.GetSignatureInfo().Status = 0
  f.SetSignatureFieldLocks Array("Customer.Name", "Colour"), 1
  Set f = d.GetField("Nope")
  On Error Resume Next
  v = f.Name
  Check "Invalid field name.", Err.Number = -2147467008 And Err.Description = "Invalid field name."
  On Error GoTo 0
  d.RemoveField "Send"
  d.Save 1
  d.CloseDoc
ElseIf phase = "sign" Then
  Set f = d.GetField("Approval")
  f.SignDocument args(2), "wrong " & args(3)
  Check "a wrong password leaves it unsigned", Not f.IsSigned
  f.SignDocument args(2), args(3)
  Check "signed", f.IsSigned
  d.CloseDoc
ElseIf phase = "signed" Then
  Set f = d.GetField("Approval")
  Check "signed after reopening", f.IsSigned
  Check "status of a self-signed signature", f.GetSignatureInfo().Status = 3
  Check "six fields after RemoveField", d.NumFields = 6
  d.CloseDoc
End If
WScript.Echo "END-OF-SCRIPT"
