#pragma once
// The colours and fonts of the open note file on screen: the record the file
// stores, and the brush and fonts made from it, chosen with the standard
// dialogs.
#include <windows.h>
#include "base/handles.h"
#include "storage/notefile.h"

class tAppearance {
public:
    tAppearance();  // yellow background, black text, no fonts

    const tAppearanceRecord& Record() const { return record_; }
    HBRUSH Brush() const { return brush_.get(); }
    // Null: the control keeps the system's font.
    HFONT TextFont() const { return textFont_.get(); }
    HFONT TabFont() const { return tabFont_.get(); }

    // The appearance of a file just read. A font the file says nothing of is
    // kept. Returns the fonts replaced, to be released once no control uses them.
    struct tRetired {
        tFont text, tab;
    };
    tRetired TakeOver(const tAppearanceRecord& record, const tFontRecords& fonts);

    // The colours of the edit control on dc; the brush is made anew in the
    // nearest colour the device has.
    HBRUSH ColoursFor(HDC dc);

    // The standard dialogs over owner; true when the user chose (the choice is
    // then in the record, also when its brush or font could not be made, which
    // the user is told). A replaced font is handed back in retired.
    bool ChooseBackground(HWND owner);
    bool ChooseTextColour(HWND owner);
    bool ChooseTextFont(HWND owner, tFont& retired);
    bool ChooseTabFont(HWND owner, tFont& retired);

private:
    bool ChooseFont(HWND owner, LOGFONTA& description, tFont& font, tFont& retired);

    tAppearanceRecord record_ = {};
    tBrush brush_;
    tFont textFont_;
    tFont tabFont_;
};
