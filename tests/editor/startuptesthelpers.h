#pragma once
// Shared pieces of the start-up tests (editor frame, welcome dialog, wizard,
// main window): the real language file in the test's program folder, a
// message lookup bound to it, and a clean editor state for every test.

#include "editortesthelpers.h"

#include "editor/lnginisupp.h"
#include "editor/msginisupp.h"
#include "model/currentsituation.h"
#include "model/vlproject.h"

#include <filesystem>
#include <memory>

class StartupTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        std::filesystem::copy_file(std::filesystem::path(VELKAST_SOURCE_DIR) / "sample/program/english.lng",
                                   Program + "english.lng");
        SavedSituation = CurrentSituation;
        CurrentSituation = TCurrentSituation();
        // Nothing of the selection area or cursor in view unless a test puts it there.
        CurrentSituation.Cursor = MakeWorldPoint(1000, 1000);
        CurrentSituation.SelectionStart = MakeWorldPoint(1000, 1000);
        CurrentSituation.SelectionEnd = MakeWorldPoint(1001, 1001);
        Translator = std::make_unique<TLngINISupp>();
        Translator->SetFileName("english.lng");
        Messages = std::make_unique<TMsgINISupp>();
        Messages->SetLngINISupp(Translator.get());
        MsgINISupp1 = Messages.get();
    }
    void TearDown() override
    {
        EditorTest::TearDown();
        MsgINISupp1 = nullptr;
        Messages.reset();
        Translator.reset();
        CurrentSituation = SavedSituation;
    }

    // The requests of one kind, in order.
    std::vector<TDialogRequest> RequestsOf(TDialogKind kind) const
    {
        std::vector<TDialogRequest> out;
        for (const auto& r : Requests)
            if (r.Kind == kind)
                out.push_back(r);
        return out;
    }
    int CountMessageKey(const std::string& key) const { return CountMessages(GetMessageText(key)); }

    TCurrentSituation SavedSituation;
    std::unique_ptr<TLngINISupp> Translator;
    std::unique_ptr<TMsgINISupp> Messages;
};
