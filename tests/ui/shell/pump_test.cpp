// The engine pump: browser client registration, the 10 ms timer and its re-entrancy guard, run
// against the scripted engine loaded by StartEngine.
#include <fenv.h>
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include "ScriptedEngine.h"
#include "shell/EngineBootstrap.h"
#include "shell_ui_test.h"

using namespace corvane;
using corvane::scripted::Engine;

namespace {

// A browser client as the browser window has it: registered for its whole life.
class PumpedClient : public CefClient, public CefLoadHandler, public CefLifeSpanHandler {
  public:
    PumpedClient() { engine::RegisterBrowserClient(); }
    ~PumpedClient() override { engine::UnregisterBrowserClient(); }
    CefLoadHandler* GetLoadHandler() override { return this; }
    CefLifeSpanHandler* GetLifeSpanHandler() override { return this; }

    std::function<void()> onLoadEnd;
    int loadEnds = 0;
    void OnLoadEnd(CefBrowser*, CefFrame*, int) override {
        ++loadEnds;
        if (onLoadEnd) onLoadEnd();
    }
};

CefBrowser* CreateBrowser(CefClient* client, QWidget* parent) {
    CefWindowInfo info;
    info.parent = parent;
    const QString url;
    const CefBrowserSettings settings;
    return engine::Api().cef_browser_host_create_browser_sync(&info, client, &url, &settings);
}

class Pump : public ::testing::Test {
  protected:
    void SetUp() override {
        Engine().Reset();
        ASSERT_EQ(engine::RegisteredBrowserClients(), 0);
    }
    void TearDown() override { Engine().Reset(); }
};

// Catches a library that is not the one the program folder holds, or a helper taken for main.
TEST(EngineStart, LoadsTheLibraryAndInitialisesInTheMainProcess) {
    EXPECT_TRUE(engine::IsInitialisedHere());
    EXPECT_EQ(Engine().executeProcessCalls, 1);
    EXPECT_EQ(Engine().initializeCalls, 1);
    EXPECT_TRUE(Engine().applicationAtInitialize);
    EXPECT_EQ(shelltest::trapsAfterEngineStart, 0) << "every floating-point trap masked";
}

// Catches a pump that runs without clients, or that never stops.
TEST_F(Pump, RunsOnlyWhileAClientIsRegistered) {
    EXPECT_FALSE(engine::IsPumping());
    const int before = Engine().messageLoopWorkCalls;
    shelltest::RunEventLoopFor(100);
    EXPECT_EQ(Engine().messageLoopWorkCalls, before) << "no client: no engine work";

    CefRefPtr<PumpedClient> first(new PumpedClient);
    CefRefPtr<PumpedClient> second(new PumpedClient);
    EXPECT_EQ(engine::RegisteredBrowserClients(), 2);
    EXPECT_TRUE(engine::IsPumping());
    EXPECT_TRUE(shelltest::WaitFor([&] { return Engine().messageLoopWorkCalls >= before + 3; }));

    first = nullptr;
    EXPECT_TRUE(engine::IsPumping()) << "one client left";
    second = nullptr;
    EXPECT_EQ(engine::RegisteredBrowserClients(), 0);
    EXPECT_FALSE(engine::IsPumping());
}

// Catches notifications that never arrive because nothing pumps the engine.
TEST_F(Pump, DeliversQueuedEngineEvents) {
    QWidget parent;
    CefRefPtr<PumpedClient> client(new PumpedClient);
    const int id = CreateBrowser(client.get(), &parent)->GetIdentifier();
    Engine().LoadEnd(id, 200);
    EXPECT_TRUE(shelltest::WaitFor([&] { return client->loadEnds == 1; }));
}

// Catches the pump re-entering the engine from a nested loop (a box opened in an engine event).
// Qt never re-fires a timer whose tick is still running, so the case that needs the pump's own
// guard is a new pump timer: the last client went and a new one came during the engine's work.
TEST_F(Pump, NestedLoopInsideEngineWorkDoesNotReenter) {
    for (const bool timerReplaced : {false, true}) {
        SCOPED_TRACE(timerReplaced ? "pump timer replaced" : "same pump timer");
        Engine().Reset();
        QWidget parent;
        CefRefPtr<PumpedClient> client(new PumpedClient);
        const int id = CreateBrowser(client.get(), &parent)->GetIdentifier();
        int workDuringNestedLoop = -1;
        client->onLoadEnd = [&] {
            if (timerReplaced) {
                engine::UnregisterBrowserClient();
                engine::RegisterBrowserClient();
            }
            const int before = Engine().messageLoopWorkCalls;
            shelltest::RunEventLoopFor(300);  // some thirty pump ticks come and go meanwhile
            workDuringNestedLoop = Engine().messageLoopWorkCalls - before;
        };
        Engine().LoadEnd(id, 200);
        ASSERT_TRUE(shelltest::WaitFor([&] { return workDuringNestedLoop >= 0; }));
        EXPECT_EQ(workDuringNestedLoop, 0);
        EXPECT_EQ(Engine().maxMessageLoopWorkDepth, 1);
        const int after = Engine().messageLoopWorkCalls;
        EXPECT_TRUE(shelltest::WaitFor([&] { return Engine().messageLoopWorkCalls > after; }))
            << "pumping goes on after the nested loop";
        client->onLoadEnd = nullptr;
    }
}

// Catches the last client going away inside the engine's work (its browser's close) breaking
// the pump timer that is running that very tick.
TEST_F(Pump, LastClientReleasedInsideEngineWorkStopsThePump) {
    QWidget parent;
    CefBrowser* browser = nullptr;
    {
        CefRefPtr<PumpedClient> client(new PumpedClient);
        browser = CreateBrowser(client.get(), &parent);
    }  // the engine now holds the only reference
    ASSERT_EQ(engine::RegisteredBrowserClients(), 1);
    browser->GetHost()->CloseBrowser(true);
    EXPECT_TRUE(shelltest::WaitFor([] { return engine::RegisteredBrowserClients() == 0; }));
    EXPECT_FALSE(engine::IsPumping());
    shelltest::RunEventLoopFor(50);
}

}  // namespace
