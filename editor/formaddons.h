#pragma once
// The add-on manager. At start-up it loads every add-on library ("*.so")
// from the folder "addons" beside the program (see addons/vladdon.h for the
// contract), lists the ones that registered, shows their details and runs
// one on request. Add-ons stay loaded until the window is destroyed at the
// end of the program. A library that cannot be loaded, lacks VLAddonInit or
// declines is left out of the list, with the reason on standard error.

#include "addons/vladdon.h"

#include <QDialog>

#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

// One loaded add-on: its texts (ANSI, empty for a null pointer), its run
// entry point (may be null) and the library handle.
struct TVLAddon {
    std::string Name;
    std::string Author;
    std::string Description;
    std::string Website;
    std::string Version;
    std::string Email;
    std::string Copyright;
    TVLAddonRunFunc Run = nullptr;
    void* Handle = nullptr;
};

// Fills the record the host hands to VLAddonInit.
void InitAddonHostInfo(TAddonHostInfo& host);

// The host's query function (see addons/vladdon.h). Codes 2 and 3 read the
// open project (FormMain's editor frame) and are cut to 254 characters;
// code 4 is the object library folder from the options window.
extern "C" const char* AddonHostQuery(uint16_t code);

// The host version text of query code 1.
inline constexpr const char* AddonHostVersion = "1.0 (2003-04-21)";

class TFormAddons : public QDialog {
    Q_OBJECT
public:
    // Loads the add-ons from ProgramFolder() + "addons".
    explicit TFormAddons(QWidget* parent = nullptr);
    ~TFormAddons() override;

    QListWidget* AddonList;
    QGroupBox* GroupBox1;
    QPushButton* AddonStart;
    QPushButton* AddonInformations;
    QGroupBox* GroupBox2;
    QLabel* lName;
    QLabel* lAuthor;
    QLabel* lVersion;
    QLabel* lWebsite;
    QLabel* lEmail;
    QLabel* lDescription;
    QLabel* lCopyright;

    // Entry i belongs to line i of AddonList.
    std::vector<TVLAddon> Addons;
    // The folder that was scanned, with trailing "/"; "list.vlf" goes there.
    std::string AddonFolder;

    // Loads every "*.so" of folder, in name order, and lists those that
    // registered. A missing folder lists nothing.
    void LoadAddons(const std::string& folder);

    // Shows the details of the selected line and enables the buttons.
    void AddonListClick();
    // Shows or hides the details.
    void AddonInformationsClick();
    // Runs the selected add-on (also a double-click on a line).
    void AddonStartClick();
    // Writes the listed names to AddonFolder + "list.vlf" (CR LF); a folder
    // that cannot be written to is passed over.
    void FormClose();

    // Window heights with the details hidden and shown.
    static constexpr int ShortHeight = 202;
    static constexpr int TallHeight = 372;

    void done(int result) override;

private:
    bool FInfoShown = false;
};

extern TFormAddons* FormAddons;
