; Inventory.pb - a small PureBasic program to try Brisklet on
;{ Declarations
EnableExplicit

#ShopName$ = "Brisklet; Corner Shop"   ; the semicolon in the string stays
Global NewList Items.s()
;}

Module Stock
	EnableExplicit
	
	Procedure.i Count(List Items.s())   
		Protected n.i = ListSize(Items())  ; how many
		Debug "Counting " + Str(n)
		ProcedureReturn n
	EndProcedure
	
	Procedure Add(List Items.s(), Name$)
    AddElement(Items())      
    Items() = Name$   ; store it
    Debug "Added " + Name$
	EndProcedure
EndModule


Procedure Report()
  Protected Line$ = ~"Total:\t"  ; escaped strings keep their line whole
  MessageRequester(#ShopName$,   Line$ + Str(ListSize(Items())))
EndProcedure

Stock::Add(Items(), "Äpfel")
Stock::Add(Items(), "Birnen")   
Debug Stock::Count(Items())
Report()
; IDE Options = PureBasic 6.10 LTS (Windows - x64)
; CursorPosition = 12
; Folding = -
; EnableXP
