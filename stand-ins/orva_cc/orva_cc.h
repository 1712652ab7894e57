/* The status button control of ORVA_CC.DLL, as its users see it.

   Loading the library registers the window class ZUV_CC_Button for the whole
   process (a global class, so dialogs of any module can name it).

   - A window text of seven characters beginning with "/" is a state code: it
     sets the control's state and keeps its caption.
   - Any other text sets the caption and keeps the state. GetWindowText
     returns the caption.
   - A click (press and release inside) sends WM_COMMAND (id, BN_CLICKED) to
     the parent; so does the space bar while the control has the focus.
   - A disabled control is drawn greyed and ignores clicks.
   - Style bit CCS_PUSHBUTTON draws a raised push button; without it the
     control is drawn as a sunken indicator. */
#ifndef VALDRN_ORVA_CC_H
#define VALDRN_ORVA_CC_H

#include <windows.h>

#define ZUV_CC_CLASS "ZUV_CC_Button"

#define CCS_PUSHBUTTON 0x0001

/* Returns the control's state as a global atom whose name is the state code
   (GlobalGetAtomNameA), or 0 while no state has been set. Works from any
   process. */
#define CCM_GETSTATE (WM_USER + 0x0C00)

#endif
