// Texts of the status button control: a text of seven characters beginning
// with "/" sets a control's state and keeps its caption; any other text sets
// its caption and keeps its state.
#pragma once

#define SB_CODE_GOOD        "/__2B__"   // link OK, driver OK, keyboard disabled
#define SB_CODE_FAILED      "/__9B__"   // link failed
#define SB_CODE_ATTENTION   "/__1B__"   // driver fault, polling, keyboard enabled
#define SB_CODE_MODE_NONE   "/__3B0_"   // no interface mode
#define SB_CODE_MODE_TXRX   "/__2B0_"   // interface mode Tx/Rx
#define SB_CODE_MODE_RXONLY "/__1B0_"   // interface mode Rx only
#define SB_CODE_LOCKED      "/1B____"   // destination locked
#define SB_CODE_UNLOCKED    "/2B____"   // destination unlocked

#define SB_CODE_LENGTH 7

// True when text is a state code rather than a caption.
inline bool StatusButton_IsCode(const char* text)
{
    if (!text || text[0] != '/')
        return false;
    for (int i = 1; i < SB_CODE_LENGTH; ++i)
        if (text[i] == '\0')
            return false;
    return text[SB_CODE_LENGTH] == '\0';
}
