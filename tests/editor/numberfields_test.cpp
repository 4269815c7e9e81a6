// Every numeric field of the dialogs refuses a text that is no number, or a
// number the field cannot take, the same way: a message that names the field
// by its caption, the dialog stays open, and nothing changes.

#include "editor/createprojwizard.h"
#include "editor/formbgmap.h"
#include "editor/formexport.h"
#include "editor/formoptions.h"
#include "editor/formprojectproperties.h"
#include "editor/formtrackproperties.h"
#include "editor/formtracktypes.h"
#include "editor/formtrain.h"
#include "editor/numberfields.h"
#include "editor/vclwidgets.h"
#include "model/vlconnection.h"
#include "model/vlpoint.h"
#include "platform/gui/numberfield.h"

#include "startuptesthelpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <functional>

TEST_F(StartupTest, EveryNumericFieldRefusesWhatItCannotTake)
{
    std::filesystem::create_directories(Dir / "bve/Train/train");
    PutFile("set.ini", "[Settings]\r\nBVE_Folder=" + (Dir / "bve").string() + "\r\n");
    for (auto* create : {+[] { CreateForm(FormOptions); }, +[] { CreateForm(FormTrackTypes); },
                         +[] { CreateForm(FormTrain); }, +[] { CreateForm(FormTrackProperties); },
                         +[] { CreateForm(FormProjectProperties); }, +[] { CreateForm(FormBGMap); },
                         +[] { CreateForm(FormExport); }})
        create();
    TVLProject project;
    ASSERT_TRUE(project.LoadFromFile(std::string(VELKAST_SOURCE_DIR) + "/tests/export/golden/siding.vlp"));
    TVLPoint start(MakeWorldPoint(0, 0)), end(MakeWorldPoint(30, 40));
    TVLConnection track(&start, &end);
    track.Fog = 250;
    track.Adhesion = 180;
    FormTrackProperties->Connection = &track;

    auto onTrack = [&](QLineEdit* edit) {
        return [&, edit](const QString& text) {
            FormTrackProperties->FormShow();
            edit->setText(text);
            FormTrackProperties->bOKClick();
            // A refused field's page comes to the front.
            if (!RequestsOf(TDialogKind::MessageBox).empty()) {
                EXPECT_TRUE(FormTrackProperties->PageControl1->currentWidget()->isAncestorOf(edit));
            }
        };
    };
    auto onOptions = [](QLineEdit* edit) {
        return [edit](const QString& text) {
            edit->setText(text);
            FormOptions->Btn_OK->click();
        };
    };
    auto trackState = [&] { return track.SaveToString(); };
    auto optionState = [&] { return FileBytes("set.ini") + std::to_string(FormOptions->ArrowStepSize); };
    // Each field: its caption, how to type into it and confirm, what must
    // not change, texts it refuses and one it takes (nullptr: not tried).
    struct TField {
        const char* Caption;
        std::function<void(const QString&)> TypeAndConfirm;
        std::function<std::string()> State;
        std::vector<const char*> Refused;
        const char* Taken;
    };
    const TField fields[] = {
        {"Speed limit (km/h)", onTrack(FormTrackProperties->edSpeedlimit), trackState, {"abc", "-5", "1001"}, "120"},
        {"Adhesion (0..255)", onTrack(FormTrackProperties->edAdhesion), trackState, {"abc", "999", "1.5"}, "255"},
        {"Fog depth (m)", onTrack(FormTrackProperties->EdFog), trackState, {"thick", "-1"}, "0"},
        {"Height (m)", onTrack(FormTrackProperties->edHeight), trackState, {"abc", "1,5", "20000"}, "-1.25"},
        {"Gauge (mm, i.e. 1435 or 1000)",
         [&](const QString& text) {
             Answer = [text](const TDialogRequest& r) {
                 if (r.Kind == TDialogKind::ModalWindow) {
                     FormProjectProperties->leGauge->Edit()->setText(text);
                     FormProjectProperties->bOK->click();
                 }
                 return TDialogAnswer{FormProjectProperties->result() == QDialog::Accepted ? mrOk : mrNone, {}};
             };
             FormProjectProperties->ShowProject(&project);
             Answer = nullptr;
         },
         [&] { return JoinLines(project.SaveToLines()); }, {"metre", "0"}, "1067"},
        {"Arrow key step (cm)", onOptions(FormOptions->edArrowStepSize), optionState, {"abc", "0"}, "25"},
        {"Shortest curve radius (m)", onOptions(FormOptions->edShortestCurve), optionState, {"abc", "-5"}, "120"},
        {"Scale: 100 Pixel are",
         [](const QString& text) {
             FormBGMap->setResult(0);
             FormBGMap->EdScale->setText(text);
             FormBGMap->Button2->click();
         },
         [] { return std::to_string(FormBGMap->result()); }, {"abc", "0"}, "50"},
        {"Departure Time",
         [&](const QString& text) {
             FormExport->Project = &project;
             FormExport->show();
             FormExport->export_set_Trains->setCurrentIndex(0);
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
            EXPECT_EQ(boxes[0].Text.rfind(GetMessageText("udialog_bad_value"), 0), 0u) << boxes[0].Text;
            EXPECT_NE(boxes[0].Text.find(std::string(field.Caption) + ": \"" + text + "\""), std::string::npos)
                << boxes[0].Text;
            EXPECT_EQ(field.State(), before) << field.Caption << " " << text;
            // A decimal field says which form it takes.
            const std::string form = GetMessageText("udialog_decimal_form");
            const bool decimal = boxes[0].Text.size() > form.size() &&
                                 boxes[0].Text.compare(boxes[0].Text.size() - form.size(), form.size(), form) == 0;
            EXPECT_EQ(decimal, std::string(field.Caption) == "Height (m)") << boxes[0].Text;
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
    EXPECT_EQ(track.Adhesion, 255);
    EXPECT_EQ(project.Gauge, 1067);
}

TEST_F(StartupTest, FreeTextsThatWouldBreakTheirProjectLineAreRefused)
{
    CreateForm(FormProjectProperties);
    CreateForm(CreateProj_Wizard);
    TVLProject project;
    Answer = [](const TDialogRequest& r) {
        if (r.Kind == TDialogKind::ModalWindow) {
            FormProjectProperties->leAuthor->Edit()->setText("Me\nYou");
            FormProjectProperties->bOK->click();
        }
        return TDialogAnswer{mrNone, {}};
    };
    FormProjectProperties->ShowProject(&project);
    Answer = nullptr;
    EXPECT_EQ(project.Author, "");

    CreateProj_Wizard->Proj_Name->setText("Valley");
    CreateProj_Wizard->Proj_Author->setText("Me");
    CreateProj_Wizard->Proj_Homepage->setText("http://valley\r\n");
    CreateProj_Wizard->SetProject();
    EXPECT_EQ(CreateProj_Wizard->ActivePage(), 2);
    EXPECT_NE(CreateProj_Wizard->result(), QDialog::Accepted);

    EXPECT_FALSE(ObjectNamesStorable("misc", "cow,2.b3d"));
    EXPECT_TRUE(ObjectNamesStorable("misc", "cow 2.b3d"));
    const auto boxes = RequestsOf(TDialogKind::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].Text, GetMessageText("udialog_bad_text") + "Author (your name): \"Me\nYou\"\r\n" +
                                 GetMessageText("udialog_text_line"));
    EXPECT_EQ(boxes[1].Text.rfind(GetMessageText("udialog_bad_text") + "Homepage: ", 0), 0u);
    EXPECT_EQ(boxes[2].Text, GetMessageText("uobjects_bad_name") + "misc\\cow,2.b3d");
}

TEST(NumberTexts, TheProjectFilesFormsAreNumbers)
{
    double v = 0;
    for (const char* text : {"12", " -7 ", "+4", "-.5", "1.2346E5", "1e-3"})
        EXPECT_TRUE(ParseDecimalNumber(text, v)) << text;
    for (const char* text : {"1,5", "", "+", "--1", "0x20", "1e400", "nan", "2.5m", "1e"})
        EXPECT_FALSE(ParseDecimalNumber(text, v)) << text;
}
