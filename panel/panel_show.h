// What the router and host sides show on the operator panel. The panel owns
// the control ids, the state codes and the captions; callers say what is so.
#pragma once

// The Status indicator: the state of the level being polled.
enum PanelLevelLook {
    PANEL_LEVEL_OK,        // the level has come good ("  Ok  ")
    PANEL_LEVEL_SIM,       // the level has come good in simulation ("Sim")
    PANEL_LEVEL_FAILED,    // the level has failed ("  Fail  ")
    PANEL_LEVEL_ANSWERED,  // an answer came on a good level ("Ok")
    PANEL_LEVEL_SILENT     // a poll tick found the router silent ("Fail")
};
void Panel_ShowLevel(PanelLevelLook look);

// The Driver indicator: the overall state of the link.
enum PanelOverallLook { PANEL_OVERALL_OK, PANEL_OVERALL_FAULT, PANEL_OVERALL_POLLING };
void Panel_ShowOverall(PanelOverallLook look);
// While saves of the tally or lock file fail, the Driver indicator says
// "No Save" over the link's look, which comes back once they work again.
void Panel_ShowSaveFailing(bool failing);

// The Interface indicator: mode 0 none, 1 Rx only, 2 or 3 Tx/Rx, else unknown.
void Panel_ShowInterfaceMode(int mode);

// The Keybrd indicator: whether keyboard router control is on.
void Panel_ShowKeyboardControl(bool on);

// Network Tx (revertives sent) and Rx (command texts received).
void Panel_ShowTxCount(long count);
void Panel_ShowRxCount(long count);

// The level (by device number) and destination the poll is about to query;
// false, showing nothing, while the panel is an icon.
bool Panel_ShowPollPosition(int device, int dest);

// The selected destination's tally and lock shown again after they may have
// changed; the ranged form only when the selection lies in first..last.
void Panel_ShowSelectedDest();
void Panel_ShowDestsChanged(int first, int last);
