#include "editor/msginisupp.h"

#include "editortesthelpers.h"
#include "editor/lnginisupp.h"

namespace {

const std::string NotFound = "WARNING!!!\r\n Language File Not Found! Its now creating a new!";
const std::string NotPreset = "ERROR!!!\r\nFile not preset!";

class MsgINISuppTest : public EditorTest {};

} // namespace

TEST(MessageLines, SeparatorsBecomeLineBreaks)
{
    EXPECT_EQ(TMsgINISupp::SplitMessageLines("No project."), "No project.");
    EXPECT_EQ(TMsgINISupp::SplitMessageLines("A\"#13#10\"B\"#13#10\""), "A\r\nB\r\n");
    EXPECT_EQ(TMsgINISupp::SplitMessageLines("A\"#13#10\"B"), "A\r\nB\r\n");
    // The 7 characters after the quote are not looked at.
    EXPECT_EQ(TMsgINISupp::SplitMessageLines("A\"xxxxxxxB\"yyyyyyyC"), "A\r\nB\r\nC\r\n");
    // A quote closer than 7 characters to the end removes the rest.
    EXPECT_EQ(TMsgINISupp::SplitMessageLines("A\"12"), "A\r\n");
    EXPECT_EQ(TMsgINISupp::SplitMessageLines("\"#13#10\"A"), "\r\nA\r\n");
}

TEST_F(MsgINISuppTest, LooksUpTheTranslatorsCurrentFile)
{
    PutFile("english.lng", "[Project_Messages]\r\ntmain_no_pr=No project is open.\"#13#10\"\r\n");
    PutFile("deutsch.lng", "[project_messages]\r\nTMAIN_NO_PR=Kein Projekt.\"#13#10\"Bitte \xF6" "ffnen.\r\n");
    TLngINISupp lng;
    lng.SetFileName("english.lng");
    TMsgINISupp msg;
    msg.SetLngINISupp(&lng);
    EXPECT_EQ(msg.FileName(), Program + "english.lng");
    EXPECT_FALSE(msg.Initialised());
    EXPECT_EQ(msg.GetMessage("tmain_no_pr"), "No project is open.\r\n");
    EXPECT_TRUE(msg.Initialised());
    EXPECT_EQ(msg.GetMessage("tmain_no_rd"), "ERROR");
    // A language switch in the translator applies at once.
    lng.SetFileName("deutsch.lng");
    EXPECT_EQ(msg.GetMessage("tmain_no_pr"), "Kein Projekt.\r\nBitte \xF6" "ffnen.\r\n");
    EXPECT_TRUE(Requests.empty());
}

TEST_F(MsgINISuppTest, MissingFileWarnsOnceAndGivesError)
{
    TLngINISupp lng;
    lng.SetFileName("missing.lng");
    TMsgINISupp msg;
    msg.SetLngINISupp(&lng);
    EXPECT_EQ(msg.GetMessage("tmain_no_pr"), "ERROR");
    EXPECT_EQ(msg.GetMessage("tmain_ask_save"), "ERROR");
    EXPECT_EQ(CountMessages(NotFound), 1);
    EXPECT_FALSE(std::filesystem::exists(Program + "missing.lng"));
    // What the translator writes meanwhile is found.
    PutFile("missing.lng", "[Project_Messages]\r\ntmain_no_pr=Now there\r\n");
    EXPECT_EQ(msg.GetMessage("tmain_no_pr"), "Now there");
}

TEST_F(MsgINISuppTest, WithoutFileNameTheLookupStops)
{
    TMsgINISupp msg;
    std::string text;
    EXPECT_FALSE(msg.GetMessage("tmain_no_pr", text));
    EXPECT_EQ(text, "ERROR");
    EXPECT_EQ(CountMessages(NotPreset), 1);
    EXPECT_FALSE(msg.Initialised());
    // The file name taken at Init from a translator bound later.
    TLngINISupp lng;
    PutFile("english.lng", "[Project_Messages]\r\ntmain_no_pr=None\r\n");
    lng.SetFileName("english.lng");
    TMsgINISupp late;
    late.SetLngINISupp(nullptr);
    late.SetFileName("english.lng");
    EXPECT_EQ(late.GetMessage("tmain_no_pr"), "None");
}

TEST_F(MsgINISuppTest, GlobalLookup)
{
    ASSERT_EQ(MsgINISupp1, nullptr);
    EXPECT_EQ(GetMessageText("tmain_no_pr"), "ERROR");
    PutFile("english.lng", "[Project_Messages]\r\ntoptions_no_sv=Not installed\r\n");
    TLngINISupp lng;
    lng.SetFileName("english.lng");
    MsgINISupp1 = new TMsgINISupp;
    MsgINISupp1->SetLngINISupp(&lng);
    EXPECT_EQ(GetMessageText("toptions_no_sv"), "Not installed");
    delete MsgINISupp1;
    MsgINISupp1 = nullptr;
}
