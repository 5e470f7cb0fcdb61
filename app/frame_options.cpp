// The Options command: the sheet changes the client's settings and the program's own.
#include "app/frame.h"
#include "app/globals.h"
#include "base/settings.h"
#include "client/client.h"
#include "dialogs/options.h"

namespace {

class tOptionsOfProgram : public tOptionsOwner {
public:
    tOptionsOfProgram(tQuilletClient& client, tShownFile& shown) : client_(client), shown_(shown) {}
    bool AutoWrap() const override { return client_.AutoWrap(); }
    void SetAutoWrap(bool wrap) override { client_.SetAutoWrap(wrap); }
    void ChooseTextFont(HWND page) override { client_.ChooseTextFont(page); }
    void ChooseBackgroundColour(HWND page) override { client_.ChooseBackground(page); }
    void ChooseTextColour(HWND page) override { client_.ChooseTextColour(page); }
    void ChooseTabFont(HWND page) override { client_.ChooseTabFont(page); }
    bool IsDefaultFile() const override { return shown_.isDefault; }
    void SetDefaultFile(bool on) override {
        bool wasDefault = shown_.isDefault;
        shown_.isDefault = on;
        if (on)
            SetConfigString(kConfig, "DefaultFile", shown_.path.c_str());
        else if (wasDefault)
            SetConfigString(kConfig, "DefaultFile", "");
    }
    bool LaptopMode() const override { return client_.LaptopMode(); }
    unsigned LaptopSavePeriod() const override { return client_.LaptopSavePeriod(); }
    void SetLaptopOptions(bool mode, unsigned period) override {
        client_.SetLaptopOptions(mode, period);
    }
    bool SmartContextMenus() const override { return client_.SmartContextMenus(); }
    void SetSmartContextMenus(bool on) override { client_.SetSmartContextMenus(on); }
    bool RunAtStartup() const override { return app.runAtStartup; }
    void SetRunAtStartup(bool on) override {
        app.runAtStartup = on;
        if (on)
            SetRunValue(app.programPath);
        else
            DeleteRunValue();
    }

private:
    tQuilletClient& client_;
    tShownFile& shown_;
};

}  // namespace

void tFrame::ShowOptions() {
    if (!client_) return;
    tOptionsOfProgram options(*client_, shown_);
    // Owned by the frame, which it disables while it is up.
    RunOptionsSheet(hwnd_, options);
}
