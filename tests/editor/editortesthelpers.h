#pragma once
// Shared fixtures of the editor tests: a temporary program folder and
// registry, and a dialog responder that records every question.

#include "editor/appforms.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        Dir = fs::temp_directory_path() /
              ("vl_editor_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir / "program");
        fs::create_directories(Dir / "registry");
        Program = (Dir / "program").string() + "/";
        SetProgramFolder(Program);
        SetRegistryFolder((Dir / "registry").string());
        PreviousResponder = SetDialogResponder([this](const TDialogRequest& r) {
            Requests.push_back(r);
            if (Answer)
                return Answer(r);
            TDialogAnswer a;
            a.Result = r.Kind == TDialogKind::MessageBox ? DefaultMessageAnswer(r.Buttons) : mrCancel;
            return a;
        });
    }
    void TearDown() override
    {
        DestroyForms();
        SetDialogResponder(std::move(PreviousResponder));
        SetProgramFolder("");
        SetRegistryFolder("");
        std::filesystem::remove_all(Dir);
    }

    void PutFile(const std::string& name, const std::string& bytes)
    {
        std::ofstream(Program + name, std::ios::binary) << bytes;
    }
    std::string FileBytes(const std::string& name) const
    {
        std::ifstream in(Program + name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    int CountMessages(const std::string& text) const
    {
        int n = 0;
        for (const auto& r : Requests)
            if (r.Kind == TDialogKind::MessageBox && r.Text == text)
                ++n;
        return n;
    }

    std::filesystem::path Dir;
    std::string Program;
    std::vector<TDialogRequest> Requests;
    std::function<TDialogAnswer(const TDialogRequest&)> Answer;
    TDialogResponder PreviousResponder;
};
