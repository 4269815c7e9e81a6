// The project properties and move-everything dialogs.

#include "startuptesthelpers.h"

#include "editor/formbgmap.h"
#include "editor/formmoveeverything.h"
#include "editor/formnewbgimage.h"
#include "editor/formroutedefinitions.h"
#include "editor/formprojectproperties.h"
#include "editor/vclwidgets.h"
#include "model/vlobject.h"
#include "platform/gui/numberfield.h"
#include "model/vlpoint.h"
#include "model/vlproject.h"

#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "platform/inifile.h"

#include <algorithm>
#include <memory>

namespace {

class ProjectDialogsTest : public StartupTest {
protected:
    TVLPoint* AddPoint(double x, double y)
    {
        return Project.AddPoint(std::make_unique<TVLPoint>(MakeWorldPoint(x, y)));
    }
    TVLObject* AddObject(double x, double y)
    {
        auto object = std::make_unique<TVLObject>();
        object->X = x;
        object->Y = y;
        TVLObject* o = object.get();
        Project.AddObject(std::move(object));
        return o;
    }
    // Runs the properties dialog; the responder presses OK after edit().
    int RunProperties(const std::function<void(TFormProjectProperties*)>& edit)
    {
        Answer = [&](const TDialogRequest& r) {
            TDialogAnswer a;
            if (r.Kind == TDialogKind::ModalWindow && r.Window == FormProjectProperties) {
                edit(FormProjectProperties);
                FormProjectProperties->bOK->click();
                a.Result = FormProjectProperties->result();
            }
            return a;
        };
        const int result = FormProjectProperties->ShowProject(&Project);
        Answer = nullptr;
        return result;
    }

    TVLProject Project;
};

} // namespace

TEST_F(ProjectDialogsTest, PropertiesShowTheProjectAndWriteBackOnOK)
{
    CreateForm(FormProjectProperties);
    Project.ProjectName = "Caf\xe9 line";
    Project.Author = "Ann";
    Project.Gauge = 1000;
    Project.Description = "first\r\nsecond\r\n";
    Project.Credits = "";
    Project.RouteFilesSubDir = "cafe";
    Project.DefaultObjects = {"stopsign=signs\\ne5.b3d", "other=x\\y.b3d"};
    QImage(40, 20, QImage::Format_RGB32).save(QString::fromStdString(Program + "logo.png"));
    Project.LogoPath = Program + "logo.png";

    int result = RunProperties([](TFormProjectProperties* f) {
        EXPECT_EQ(f->PageControl1->currentIndex(), 0);
        EXPECT_EQ(f->leProjectname->Edit()->text(), QString::fromUtf8("Caf\xc3\xa9 line"));
        EXPECT_EQ(f->leGauge->Edit()->text(), "1000");
        EXPECT_EQ(f->edDOStopsign->text(), "signs\\ne5.b3d");
        EXPECT_EQ(f->memoDescription->toPlainText(), "first\nsecond");
        EXPECT_FALSE(f->Image1->pixmap().isNull());
        f->leAuthor->Edit()->setText("Bob");
        f->leGauge->Edit()->setText("1067");
        f->edDOStopsign->clear();
        f->memoCredits->setPlainText("thanks\nto all");
        f->PageControl1->setCurrentIndex(2);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Project.ProjectName, "Caf\xe9 line");
    EXPECT_EQ(Project.Author, "Bob");
    EXPECT_EQ(Project.Gauge, 1067);
    EXPECT_EQ(Project.DefaultObjects, (TStrings{"other=x\\y.b3d"}));
    EXPECT_EQ(Project.Description, "first\r\nsecond\r\n");
    EXPECT_EQ(Project.Credits, "thanks\r\nto all\r\n");
    EXPECT_EQ(Project.LogoPath, Program + "logo.png");

    // The next showing starts on the first page again; Cancel writes nothing.
    Answer = [&](const TDialogRequest& r) {
        EXPECT_EQ(FormProjectProperties->PageControl1->currentIndex(), 0);
        FormProjectProperties->leAuthor->Edit()->setText("Eve");
        FormProjectProperties->bCancel->click();
        EXPECT_EQ(FormProjectProperties->result(), QDialog::Rejected);
        return TDialogAnswer{mrCancel, {}};
    };
    EXPECT_EQ(FormProjectProperties->ShowProject(&Project), mrCancel);
    EXPECT_EQ(Project.Author, "Bob");
}

TEST_F(ProjectDialogsTest, PropertiesLogoAndStopSignChoices)
{
    CreateForm(FormProjectProperties);
    const std::string picture = Program + "shot.jpg";
    QImage(300, 100, QImage::Format_RGB32).save(QString::fromStdString(picture));
    PutFile("notapicture.jpg", "text");

    FormProjectProperties->FillFromProject(&Project);
    EXPECT_TRUE(FormProjectProperties->Image1->pixmap().isNull());
    Answer = [&](const TDialogRequest& r) {
        return r.Kind == TDialogKind::OpenFile ? TDialogAnswer{mrOk, picture} : TDialogAnswer{};
    };
    FormProjectProperties->bLoadLogo->click();
    EXPECT_EQ(FormProjectProperties->Image1->toolTip().toStdString(), picture);
    EXPECT_FALSE(FormProjectProperties->Image1->pixmap().isNull());

    // A file that is no picture is refused; the logo stays.
    Answer = [&](const TDialogRequest& r) {
        return r.Kind == TDialogKind::OpenFile ? TDialogAnswer{mrOk, Program + "notapicture.jpg"} : TDialogAnswer{};
    };
    FormProjectProperties->bLoadLogo->click();
    EXPECT_EQ(CountMessages(GetMessageText("uprojprops_badlogo") + Program + "notapicture.jpg"), 1);
    EXPECT_EQ(FormProjectProperties->Image1->toolTip().toStdString(), picture);

    TFormProjectProperties::SelectObjectFile = [](std::string& file) {
        file = "signs\\stop.b3d";
        return true;
    };
    FormProjectProperties->bSelectStopSign->click();
    EXPECT_EQ(FormProjectProperties->edDOStopsign->text(), "signs\\stop.b3d");
    TFormProjectProperties::SelectObjectFile = [](std::string&) { return false; };
    FormProjectProperties->edDOStopsign->setText("kept.b3d");
    FormProjectProperties->bSelectStopSign->click();
    EXPECT_EQ(FormProjectProperties->edDOStopsign->text(), "kept.b3d");
    TFormProjectProperties::SelectObjectFile = nullptr;

    FormProjectProperties->bOK->click();
    EXPECT_EQ(Project.LogoPath, picture);
    EXPECT_EQ(GetValue(Project.DefaultObjects, "stopsign"), "kept.b3d");
}

TEST_F(ProjectDialogsTest, MoveEverythingShiftsPointsAndObjects)
{
    CreateForm(FormMoveEverything);
    TVLPoint* p1 = AddPoint(10, 20);
    TVLPoint* p2 = AddPoint(-5, 0);
    TVLObject* o = AddObject(1, 1);
    FormMoveEverything->Project = &Project;
    FormMoveEverything->leX->SetText("2.5");
    FormMoveEverything->leY->SetText("-3");
    FormMoveEverything->Button1->click();
    EXPECT_EQ(FormMoveEverything->result(), QDialog::Accepted);
    EXPECT_EQ(p1->Position, MakeWorldPoint(12.5, 17));
    EXPECT_EQ(p2->Position, MakeWorldPoint(-2.5, -3));
    EXPECT_DOUBLE_EQ(o->X, 3.5);
    EXPECT_DOUBLE_EQ(o->Y, -2);
    EXPECT_EQ(FormMoveEverything->ProgressBar1->value(), 100);
    EXPECT_TRUE(FormMoveEverything->Button1->isEnabled());

    // Without points the objects move all the same.
    TVLProject objectsOnly;
    auto object = std::make_unique<TVLObject>();
    TVLObject* lone = object.get();
    objectsOnly.AddObject(std::move(object));
    FormMoveEverything->Project = &objectsOnly;
    FormMoveEverything->leX->SetText("1e2");
    FormMoveEverything->leY->SetText(" 0 ");
    FormMoveEverything->Button1->click();
    EXPECT_DOUBLE_EQ(lone->X, 100);
    EXPECT_DOUBLE_EQ(lone->Y, 0);
}

TEST_F(ProjectDialogsTest, MoveEverythingRefusesOffsetsThatAreNoNumbers)
{
    CreateForm(FormMoveEverything);
    TVLPoint* p = AddPoint(10, 20);
    FormMoveEverything->Project = &Project;
    FormMoveEverything->setResult(0);
    for (const char* bad : {"2,5", "", "abc", "1.5m", "--1", "+"}) {
        FormMoveEverything->leX->SetText("1");
        FormMoveEverything->leY->SetText(bad);
        FormMoveEverything->Button1->click();
        ASSERT_FALSE(Requests.empty());
        EXPECT_NE(Requests.back().Text.find("y-offset (m): \"" + std::string(bad) + "\""), std::string::npos) << bad;
        EXPECT_EQ(p->Position, MakeWorldPoint(10, 20)) << bad;
        EXPECT_EQ(FormMoveEverything->result(), 0) << bad;
        EXPECT_TRUE(FormMoveEverything->ProgressBar1->isHidden());
    }
    double v = 1;
    EXPECT_TRUE(ParseDecimalNumber("-0.0", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(ParseDecimalNumber("+4", v));
    EXPECT_EQ(v, 4.0);
}

TEST_F(ProjectDialogsTest, TranslatableTextsAreThoseOfTheLanguageFile)
{
    CreateForm(FormProjectProperties);
    CreateForm(FormMoveEverything);
    CreateForm(FormRouteDefinitions);
    CreateForm(FormBGMap);
    CreateForm(FormNewBGImage);
    PutFile("empty.lng", "");
    TLngINISupp translator;
    translator.SetFileName("empty.lng");
    translator.WriteDefaults();
    TIniData written;
    ASSERT_TRUE(written.LoadFromFile(Program + "empty.lng"));
    TIniData shipped;
    ASSERT_TRUE(shipped.LoadFromFile(Program + "english.lng"));
    for (const char* section : {"FormProjectProperties", "FormMoveEverything", "FormRouteDefinitions", "FormBGMap",
                                "FormNewBGImage"}) {
        TStrings keys = written.ReadSection(section);
        TStrings expected = shipped.ReadSection(section);
        std::sort(keys.begin(), keys.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(keys, expected) << section;
        // Blanks around a value need the quotes the shipped file has.
        for (const std::string& key : keys)
            EXPECT_EQ(Trim(written.ReadString(section, key, "?")), Trim(shipped.ReadString(section, key, "!")))
                << section << "." << key;
    }
}
