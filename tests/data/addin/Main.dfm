object Form1: TForm1
  Left = 0
  Top = 0
  Caption = 'Main'
  ClientHeight = 240
  ClientWidth = 320
  object Panel1: TPanel
    Left = 8
    Top = 8
    Width = 200
    Height = 41
    TabOrder = 0
    ExplicitWidth = 180
    ExplicitHeight = 40
  end
end
