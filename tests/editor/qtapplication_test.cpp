// One QApplication for every editor test, on the offscreen platform unless
// the environment chose another.
#include <QApplication>

#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "editor_tests";
        static char* argv[] = {name, nullptr};
        App = new QApplication(argc, argv);
    }
    void TearDown() override
    {
        delete App;
        App = nullptr;
    }

private:
    QApplication* App = nullptr;
};

[[maybe_unused]] ::testing::Environment* const QtEnv =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
