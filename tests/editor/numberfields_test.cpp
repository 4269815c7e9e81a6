// Every numeric field of the dialogs refuses a text that is no number, or a
// number the field cannot take, the same way: a message that names the field
// by its caption, the dialog stays open, and nothing changes.

#include "editor/formbgmap.h"
#include "editor/formexport.h"
#include "editor/formoptions.h"
#include "editor/formprojectproperties.h"
#include "editor/formtrackproperties.h"
#include "editor/formtracktypes.h"
#include "editor/formtrain.h"
#include "editor/vclwidgets.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"
#include "platform/gui/numberfield.h"
#include "platform/textlines.h"

#include "startuptesthelpers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <functional>

namespace {

class NumberFieldsTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        Bve = (Dir / "bve").string();
        std::filesystem::create_directories(Bve + "/Train/train");
        PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + Bve + "\r\n");
        CreateForm(FormOptions);
        CreateForm(FormTrackTypes);
        CreateForm(FormTrain);
        CreateForm(FormTrackProperties);
        CreateForm(FormProjectProperties);
        CreateForm(FormBGMap);
        CreateForm(FormExport);
        ASSERT_TRUE(Project.LoadFromFile(std::string(VELKAST_SOURCE_DIR) + "/tests/export/golden/siding.vlp"));
        Track = std::make_unique<TVLConnection>(&Start, &End);
        Track->SpeedLimit = 80;
        Track->Adhesion = 180;
        Track->Fog = 250;
        Track->Height = 2.5;
        FormTrackProperties->Connection = Track.get();
        FormTrackProperties->FormShow();
    }

    // One field: how to type into it and press its OK, the caption the
    // message names it by, and what must not change.
    struct TField {
        const char* Caption;
        std::function<void(const QString&)> TypeAndConfirm;
        std::function<std::string()> State;
        std::vector<const char*> Refused;
        const char* Taken;
    };

    std::string Settings() const { return FileBytes("set.ini"); }
    std::string ProjectText() const { return JoinLines(Project.SaveToLines()); }

    TVLProject Project;
    TVLPoint Start{MakeWorldPoint(0, 0)};
    TVLPoint End{MakeWorldPoint(30, 40)};
    std::unique_ptr<TVLConnection> Track;
    std::string Bve;
};

} // namespace

TEST_F(NumberFieldsTest, EveryFieldRefusesWhatItCannotTake)
{
    auto track = [this](QLineEdit* edit) {
        return [this, edit](const QString& text) {
            FormTrackProperties->FormShow();
            edit->setText(text);
            FormTrackProperties->bOKClick();
            // A refused field's page comes to the front.
            if (!RequestsOf(TDialogKind::MessageBox).empty()) {
                EXPECT_TRUE(FormTrackProperties->PageControl1->currentWidget()->isAncestorOf(edit));
            }
        };
    };
    auto trackState = [this] { return Track->SaveToString(); };
    auto options = [](QLineEdit* edit) {
        return [edit](const QString& text) {
            edit->setText(text);
            FormOptions->Btn_OK->click();
        };
    };
    auto optionState = [this] { return Settings() + std::to_string(FormOptions->ArrowStepSize); };
    const TField fields[] = {
        {"Speed limit (km/h)", track(FormTrackProperties->edSpeedlimit), trackState, {"abc", "-5", "1001"}, "120"},
        {"Adhesion (0..255)", track(FormTrackProperties->edAdhesion), trackState, {"abc", "999", "1.5"}, "255"},
        {"Fog depth (m)", track(FormTrackProperties->EdFog), trackState, {"thick", "-1"}, "0"},
        {"Height (m)", track(FormTrackProperties->edHeight), trackState, {"abc", "1,5", "20000"}, "-1.25"},
        {"Gauge (mm, i.e. 1435 or 1000)",
         [this](const QString& text) {
             Answer = [text](const TDialogRequest& r) {
                 TDialogAnswer a;
                 if (r.Kind == TDialogKind::ModalWindow) {
                     FormProjectProperties->leGauge->Edit()->setText(text);
                     FormProjectProperties->bOK->click();
                     a.Result = FormProjectProperties->result() == QDialog::Accepted ? mrOk : mrNone;
                 }
                 return a;
             };
             FormProjectProperties->ShowProject(&Project);
             Answer = nullptr;
         },
         [this] { return ProjectText(); }, {"metre", "0"}, "1067"},
        {"Arrow key step (cm)", options(FormOptions->edArrowStepSize), optionState, {"abc", "0"}, "25"},
        {"Shortest curve radius (m)", options(FormOptions->edShortestCurve), optionState, {"abc", "-5"}, "120"},
        {"Scale: 100 Pixel are",
         [](const QString& text) {
             FormBGMap->setResult(0);
             FormBGMap->EdScale->setText(text);
             FormBGMap->Button2->click();
         },
         [] { return std::to_string(FormBGMap->result()); }, {"abc", "0"}, "50"},
        {"Departure Time",
         [this](const QString& text) {
             FormExport->Project = &Project;
             FormExport->show();
             FormExport->leSubdir->SetText("route");
             FormExport->leRoutefilename->SetText("route");
             FormExport->leDepartureTime->Edit()->setText(text);
             FormExport->ExportBtn->click();
         },
         [] { return std::to_string(FormExport->ActivePage()); }, {"abc", "24:00", "7:60"}, nullptr},
    };
    for (const TField& field : fields) {
        for (const char* text : field.Refused) {
            Requests.clear();
            const std::string before = field.State();
            field.TypeAndConfirm(QString::fromUtf8(text));
            const std::vector<TDialogRequest> boxes = RequestsOf(TDialogKind::MessageBox);
            ASSERT_EQ(boxes.size(), 1u) << field.Caption << " " << text;
            EXPECT_EQ(boxes[0].MsgType, mtError);
            EXPECT_NE(boxes[0].Text.find(std::string(field.Caption) + ": \"" + text + "\""), std::string::npos)
                << boxes[0].Text;
            EXPECT_EQ(boxes[0].Text.rfind(GetMessageText("udialog_bad_value"), 0), 0u) << boxes[0].Text;
            EXPECT_EQ(field.State(), before) << field.Caption << " " << text;
        }
        if (field.Taken) {
            Requests.clear();
            const std::string before = field.State();
            field.TypeAndConfirm(field.Taken);
            EXPECT_TRUE(RequestsOf(TDialogKind::MessageBox).empty()) << field.Caption;
            EXPECT_NE(field.State(), before) << field.Caption;
        }
    }
    EXPECT_DOUBLE_EQ(FormOptions->ArrowStepSize, 0.25);
    EXPECT_EQ(Track->Adhesion, 255);
    EXPECT_EQ(Project.Gauge, 1067);
}

TEST(NumberTexts, WhatCountsAsANumber)
{
    struct Case {
        const char* Text;
        bool Whole, Decimal;
    };
    for (const Case& c : {Case{"12", true, true}, Case{" -7 ", true, true}, Case{"+4", true, true},
                          Case{"12.5", false, true}, Case{"-.5", false, true}, Case{"1.2346E5", false, true},
                          Case{"1e-3", false, true}, Case{"1,5", false, false}, Case{"", false, false},
                          Case{"+", false, false}, Case{"--1", false, false}, Case{"0x20", false, false},
                          Case{"1e400", false, false}, Case{"nan", false, false}, Case{"2.5m", false, false},
                          Case{"1e", false, false}, Case{".", false, false}}) {
        long long whole = 0;
        double decimal = 0;
        EXPECT_EQ(ParseWholeNumber(c.Text, whole), c.Whole) << c.Text;
        EXPECT_EQ(ParseDecimalNumber(c.Text, decimal), c.Decimal) << c.Text;
    }
    double v = 0;
    ASSERT_TRUE(ParseDecimalNumber("1.2346E5", v));
    EXPECT_DOUBLE_EQ(v, 123460.0);
}
