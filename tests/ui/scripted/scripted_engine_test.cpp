// The scripted engine that the UI tests stand on: a wrong replay here would make every UI test
// above it pass or fail for the wrong reason.
#include <gtest/gtest.h>

#include <QApplication>

#include "ScriptedEngine.h"

// Readable failures: gtest prints texts as texts.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace corvane::engine_interface;
using corvane::scripted::DownloadState;
using corvane::scripted::Engine;

extern "C" int cef_execute_process(const CefMainArgs*, CefApp*, void*);
extern "C" CefBrowser* cef_browser_host_create_browser_sync(const CefWindowInfo*, CefClient*,
                                                            const QString*,
                                                            const CefBrowserSettings*);

namespace {

// A client that records what reaches it and answers as told.
class RecordingClient : public CefClient,
                        public CefLifeSpanHandler,
                        public CefLoadHandler,
                        public CefDisplayHandler,
                        public CefRequestHandler,
                        public CefJSDialogHandler,
                        public CefDownloadHandler {
  public:
    explicit RecordingClient(bool* destroyed = nullptr) : destroyed_(destroyed) {}
    ~RecordingClient() override {
        if (destroyed_) *destroyed_ = true;
    }
    CefLifeSpanHandler* GetLifeSpanHandler() override { return this; }
    CefLoadHandler* GetLoadHandler() override { return this; }
    CefDisplayHandler* GetDisplayHandler() override { return this; }
    CefRequestHandler* GetRequestHandler() override { return this; }
    CefJSDialogHandler* GetJSDialogHandler() override { return this; }
    CefDownloadHandler* GetDownloadHandler() override { return this; }

    QStringList events;
    bool cancelNavigation = false;
    bool cancelDownloadOnUpdate = false;

    void OnAfterCreated(CefBrowser* b) override { Add("created", b); }
    void OnBeforeClose(CefBrowser* b) override { Add("closed", b); }
    void OnLoadEnd(CefBrowser* b, CefFrame* f, int status) override {
        Add(QStringLiteral("load %1 %2 %3").arg(f->IsMain()).arg(f->GetURL()).arg(status), b);
    }
    void OnTitleChange(CefBrowser* b, const QString& title) override { Add("title " + title, b); }
    bool OnBeforeBrowse(CefBrowser* b, CefFrame* f, CefRequest* r, bool redirect) override {
        Add(QStringLiteral("browse %1 %2 %3").arg(f->IsMain()).arg(r->GetURL()).arg(redirect), b);
        return cancelNavigation;
    }
    bool OnJSDialog(CefBrowser* b, const QString&, const QString&, cef_jsdialog_type_t type,
                    const QString& text, const QString&, CefJSDialogCallback* callback,
                    bool& suppress) override {
        Add(QStringLiteral("dialog %1 %2").arg(int(type)).arg(text), b);
        if (type == JSDIALOGTYPE_ALERT) {
            suppress = true;
            return false;
        }
        callback->Continue(true, QStringLiteral("typed"));
        return true;
    }
    void OnBeforeDownload(CefBrowser* b, CefDownloadItem* item, const QString& name,
                          CefBeforeDownloadCallback* callback) override {
        Add(QStringLiteral("before-download %1 %2").arg(name).arg(item->GetTotalBytes()), b);
        callback->Continue("down/" + name, true);
    }
    void OnDownloadUpdated(CefBrowser* b, CefDownloadItem* item,
                           CefDownloadItemCallback* callback) override {
        Add(QStringLiteral("download %1/%2 %3/s %4% %5 %6 %7%8%9")
                .arg(item->GetReceivedBytes())
                .arg(item->GetTotalBytes())
                .arg(item->GetCurrentSpeed())
                .arg(item->GetPercentComplete())
                .arg(item->GetStartTime().toString(Qt::ISODate), item->GetFullPath())
                .arg(item->IsComplete())
                .arg(item->IsCanceled())
                .arg(item->IsInProgress()),
            b);
        if (cancelDownloadOnUpdate) callback->Cancel();
    }

  private:
    void Add(const QString& e, CefBrowser* b) {
        events << QStringLiteral("%1:%2").arg(b->GetIdentifier()).arg(e);
    }
    bool* destroyed_;
};

class ScriptedEngineTest : public ::testing::Test {
  protected:
    void SetUp() override { Engine().Reset(); }
    void TearDown() override { Engine().Reset(); }

    int Create(CefClient* client, const QString& url = {}) {
        CefWindowInfo info;
        info.parent = &parent;
        info.rect = QRect(0, 0, 300, 200);
        const CefBrowserSettings settings;
        return cef_browser_host_create_browser_sync(&info, client, &url, &settings)
            ->GetIdentifier();
    }

    QWidget parent;
};

// Catches a process-type test that differs from the engine's: an empty type, a type after "--"
// or a type in another case is the main process.
TEST(ScriptedExecuteProcess, HelperOnlyForAProcessType) {
    struct {
        std::vector<const char*> args;
        int result;
    } cases[] = {{{"prog"}, -1},
                 {{"prog", "--type=renderer"}, 0},
                 {{"prog", "--type="}, -1},
                 {{"prog", "--TYPE=gpu"}, -1},
                 {{"prog", "x--type=1"}, -1},
                 {{"prog", "--", "--type=gpu"}, -1}};
    for (auto& c : cases) {
        CefMainArgs args{int(c.args.size()), const_cast<char**>(c.args.data())};
        EXPECT_EQ(cef_execute_process(&args, nullptr, nullptr), c.result) << c.args.back();
    }
}

// Catches navigations delivered at once instead of through the pump, a cancel that still changes
// the address, and sub-frame navigations taken for the main frame.
TEST_F(ScriptedEngineTest, NavigationsPassBeforeBrowse) {
    CefRefPtr<RecordingClient> client(new RecordingClient);
    const int id = Create(client.get(), "http://127.0.0.1/start");
    EXPECT_EQ(Engine().MainFrameUrl(id), QString()) << "queued until the pump runs";
    Engine().DeliverQueued();
    EXPECT_EQ(client->events, QStringList({"1:created", "1:browse 1 http://127.0.0.1/start 0"}));
    EXPECT_EQ(Engine().MainFrameUrl(id), "http://127.0.0.1/start");

    client->events.clear();
    EXPECT_FALSE(Engine().Navigate(id, "http://127.0.0.1/frame", false, false));
    EXPECT_FALSE(Engine().Navigate(id, "http://127.0.0.1/moved", true));
    client->cancelNavigation = true;
    EXPECT_TRUE(Engine().Navigate(id, "http://127.0.0.1/refused"));
    EXPECT_EQ(client->events, QStringList({"1:browse 0 http://127.0.0.1/frame 0",
                                           "1:browse 1 http://127.0.0.1/moved 1",
                                           "1:browse 1 http://127.0.0.1/refused 0"}));
    EXPECT_EQ(Engine().MainFrameUrl(id), "http://127.0.0.1/moved");
}

// Catches a close that skips OnBeforeClose or keeps the client alive afterwards, and a pop-up
// that does not share its opener's client or gets a document without a load.
TEST_F(ScriptedEngineTest, PopupAndCloseFollowTheBrowserLife) {
    bool destroyed = false;
    int id = 0;
    {
        CefRefPtr<RecordingClient> client(new RecordingClient(&destroyed));
        id = Create(client.get());
        Engine().DeliverQueued();
        const int popup = Engine().OpenPopup(id, "http://127.0.0.1/pop");
        CefBrowser* p = Engine().Browser(popup);
        EXPECT_TRUE(p->IsPopup());
        EXPECT_TRUE(Engine().BrowserWidget(popup)->isWindow());
        EXPECT_FALSE(p->HasDocument());
        Engine().TitleChange(popup, "Pop title");
        Engine().LoadEnd(id, 200, false, "http://127.0.0.1/sub");
        Engine().DeliverQueued();
        EXPECT_FALSE(p->HasDocument()) << "no load end of its main frame yet";
        Engine().LoadEnd(popup, 200);
        Engine().DeliverQueued();
        EXPECT_TRUE(p->HasDocument());
        EXPECT_EQ(client->events,
                  QStringList({"1:created", "2:created", "2:browse 1 http://127.0.0.1/pop 0",
                               "2:title Pop title", "1:load 0 http://127.0.0.1/sub 200",
                               "2:load 1 http://127.0.0.1/pop 200"}));
        p->GetHost()->CloseBrowser(true);
        Engine().Browser(id)->GetHost()->CloseBrowser(false);
        Engine().DeliverQueued();
        EXPECT_EQ(client->events.mid(client->events.size() - 2),
                  QStringList({"2:closed", "1:closed"}));
    }
    EXPECT_TRUE(destroyed) << "the engine let go of the client after the last close";
    EXPECT_TRUE(Engine().Browsers().isEmpty());
    const auto closes = Engine().CallsNamed("CloseBrowser");
    ASSERT_EQ(closes.size(), 2);
    EXPECT_TRUE(closes[0].flag);
    EXPECT_FALSE(closes[1].flag);
}

// Catches download values not reaching the handler as scripted, and a Cancel that is lost.
TEST_F(ScriptedEngineTest, DownloadsCarryTheirScriptedValues) {
    CefRefPtr<RecordingClient> client(new RecordingClient);
    const int id = Create(client.get());
    DownloadState start;
    start.totalBytes = 1572864;
    const auto answer = Engine().BeginDownload(id, "《报表》|1.xls", start);
    EXPECT_TRUE(answer.continued);
    EXPECT_EQ(answer.path, "down/《报表》|1.xls");
    EXPECT_TRUE(answer.showDialog);

    DownloadState progress = start;
    progress.receivedBytes = 524288;
    progress.currentSpeed = 1234567;
    progress.percentComplete = 33;
    progress.fullPath = answer.path;
    progress.startTime = QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10), Qt::UTC);
    Engine().UpdateDownload(answer.download, progress);
    Engine().DeliverQueued();
    EXPECT_TRUE(Engine().CallsNamed("CancelDownload").isEmpty());
    client->cancelDownloadOnUpdate = true;
    DownloadState done = progress;
    done.phase = DownloadState::Complete;
    Engine().UpdateDownload(answer.download, done);
    Engine().DeliverQueued();
    EXPECT_EQ(client->events.filter(":download "),
              QStringList({"1:download 524288/1572864 1234567/s 33% 2024-03-05T08:09:10Z "
                           "down/《报表》|1.xls 001",
                           "1:download 524288/1572864 1234567/s 33% 2024-03-05T08:09:10Z "
                           "down/《报表》|1.xls 100"}));
    ASSERT_EQ(Engine().CallsNamed("CancelDownload").size(), 1);
}

// Catches the handler's answers to a dialog not coming back to the test.
TEST_F(ScriptedEngineTest, DialogsReturnWhatTheHandlerAnswered) {
    CefRefPtr<RecordingClient> client(new RecordingClient);
    const int id = Create(client.get());
    const auto alert = Engine().JSDialog(id, JSDIALOGTYPE_ALERT, "hello");
    EXPECT_FALSE(alert.handled);
    EXPECT_TRUE(alert.suppressMessage);
    EXPECT_FALSE(alert.engineDialog());
    const auto prompt = Engine().JSDialog(id, JSDIALOGTYPE_PROMPT, "name?", "x");
    EXPECT_TRUE(prompt.handled);
    EXPECT_TRUE(prompt.continued);
    EXPECT_TRUE(prompt.success);
    EXPECT_EQ(prompt.userInput, "typed");
}

// Catches a page printed twice at once (the real engine refuses a page's print until its last one
// has ended), a refusal that outlasts its print, and one page's print holding up another's.
TEST_F(ScriptedEngineTest, OnePrintAtATimePerPage) {
    CefRefPtr<RecordingClient> client(new RecordingClient);
    const int first = Create(client.get());
    const int second = Create(client.get());
    CefBrowserHost* host = Engine().Browser(first)->GetHost();
    EXPECT_TRUE(host->Print());
    EXPECT_FALSE(host->Print()) << "the first print has not ended";
    EXPECT_TRUE(Engine().Browser(second)->GetHost()->Print());
    Engine().PrintDone(first);
    EXPECT_TRUE(host->Print());
    Engine().PrintDone(first);
    Engine().printDialogOpen = true;
    EXPECT_FALSE(host->Print()) << "a print dialog is open";
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
