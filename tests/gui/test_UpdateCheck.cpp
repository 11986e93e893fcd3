// SPDX-License-Identifier: GPL-3.0-or-later
// Help > Check for Updates against a local HTTP server, and the About box.
#include "app/AboutDialog.h"
#include "app/UpdateCheck.h"
#include "config/format.h"
#include "desktop_fixture.h"

#include <QLabel>
#include <QTextEdit>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace nimbora {
namespace {

TEST(VersionMessage, ComparesTheRemoteVersionAsText)
{
    struct Case {
        const char* reply;
        const char* message;  // null: nothing shown
    };
    const Case cases[] = {
        {"Ver 4.2\r\n", "A new version is available:  4.2\r\n"},
        {"Ver 4.1", "No updates are available at this time."},
        {"Ver 4.1\r\n", "No updates are available at this time."},   // the line end is not compared
        {"Ver 4.1 \t\n", "No updates are available at this time."},  // nor trailing blanks
        {"Ver 4.10", "A new version is available:  4.10"},
        {"Ver 4.09", "No updates are available at this time."},
        {"Ver 3.9", "No updates are available at this time."},
        {"<html><body>Not Found", nullptr},
        {"ver 5.0", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto message = version_message(c.reply, "4.1");
        if (c.message) {
            ASSERT_TRUE(message) << c.reply;
            EXPECT_EQ(*message, c.message) << c.reply;
        } else {
            EXPECT_FALSE(message) << c.reply;
        }
    }
    EXPECT_EQ(version_message(std::string_view("Ver 4.1\0\0\0", 10), "4.1"),
              "No updates are available at this time.");
    // Only the first ten bytes count.
    EXPECT_EQ(version_message("Ver 4.2.1-beta", "4.1"), "A new version is available:  4.2.1-");
}

// A one-folder HTTP server on 127.0.0.1 (Debian's python3), stopped with the test.
class LocalServer {
public:
    explicit LocalServer(const fs::path& folder)
    {
        const fs::path port_file = folder / "port";
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            // Ends with the test program, even one that crashed before its destructor ran.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(0);
            const std::string script =
                strf("import http.server, functools, sys\n"
                     "class Quiet(http.server.SimpleHTTPRequestHandler):\n"
                     "    def log_message(self, *a): pass\n"
                     "    def do_GET(self):\n"
                     "        if not self.path.endswith('.err'): return super().do_GET()\n"
                     "        body = open(self.translate_path(self.path), 'rb').read()\n"
                     "        self.send_response(503)\n"
                     "        self.send_header('Content-Length', str(len(body)))\n"
                     "        self.end_headers()\n"
                     "        self.wfile.write(body)\n"
                     "h = functools.partial(Quiet, directory='%s')\n"
                     "s = http.server.HTTPServer(('127.0.0.1', 0), h)\n"
                     "open('%s.tmp', 'w').write(str(s.server_address[1]))\n"
                     "import os; os.rename('%s.tmp', '%s')\n"
                     "s.serve_forever()\n",
                     folder.c_str(), port_file.c_str(), port_file.c_str(), port_file.c_str());
            execl("/usr/bin/python3", "python3", "-c", script.c_str(), nullptr);
            _exit(127);
        }
        // The server writes its port once it listens; a loaded machine may take seconds to
        // start Python. A server that ended (it could not start) is not waited for.
        for (int i = 0; i < 6000 && !fs::exists(port_file); ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            usleep(10000);
        }
        port_ = std::atoi(test::read_file(port_file).c_str());
    }
    ~LocalServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::string url(const std::string& file) const
    {
        return strf("http://127.0.0.1:%d/%s", port_, file.c_str());
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

TEST(CheckVersion, TellsNewerAndEqualVersionsAndStaysSilentOnAnythingElse)
{
    test::TempDir dir;
    test::write_file(dir.path() / "newer.txt", "Ver 4.2\r\n");
    test::write_file(dir.path() / "same.txt", "Ver 4.1");
    test::write_file(dir.path() / "garbage.txt", "<!DOCTYPE html><html>");
    test::write_file(dir.path() / "down.err", "Version service is down");
    LocalServer server(dir.path());
    ASSERT_GT(server.port(), 0);

    // The check runs on the calling thread: its message has been told when it returns.
    test::RecordingOwner owner;
    CheckVersion(&owner, "4.1", server.url("newer.txt"));
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].caption, "Nimbora");
    EXPECT_EQ(owner.messages[0].text, "A new version is available:  4.2\r\n");
    EXPECT_EQ(owner.messages[0].icon, Icon::information);

    owner.clear();
    CheckVersion(&owner, "4.1", server.url("same.txt"));
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].text, "No updates are available at this time.");

    // A reply of another form, a missing file (an error page), an error status whose page
    // happens to begin with "Ver" and a closed port: nothing.
    for (const std::string& url :
         {server.url("garbage.txt"), server.url("missing.txt"), server.url("down.err"),
          std::string("http://127.0.0.1:1/version.txt")}) {
        owner.clear();
        CheckVersion(&owner, "4.1", url);
        EXPECT_TRUE(owner.messages.empty()) << url;
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor is given back
}

TEST(CheckVersion, TheAddressCanBeReplacedForTests)
{
    unsetenv("NIMBORA_UPDATE_URL");
    EXPECT_EQ(update_url(), kUpdateUrl);
    setenv("NIMBORA_UPDATE_URL", "http://127.0.0.1:9/v.txt", 1);
    EXPECT_EQ(update_url(), "http://127.0.0.1:9/v.txt");
    unsetenv("NIMBORA_UPDATE_URL");
}

TEST(AboutDialog, ShowsTheVersionTextAndPicture)
{
    const std::string text = Version2();
    EXPECT_EQ(text.substr(0, 23), "Nimbora\r\n Version 4.1\r\n");
    EXPECT_EQ(text.substr(23, 3), "\r\n ");
    MemoryUserStore store;
    test::RecordingOwner boxes;
    AppState state{store, {}, {}, nullptr, {}, {}, {}, &boxes};
    AboutDialog d(state, nullptr);
    EXPECT_TRUE(boxes.messages.empty());  // the picture loaded
    EXPECT_EQ(d.windowTitle(), "About...");
    auto* edit = test::child<QTextEdit>(&d, ids::kAboutText);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->toPlainText(), QString::fromStdString(text).replace("\r\n", "\n"));
    auto* licence = d.findChild<QLabel*>(QStringLiteral("licence"));
    ASSERT_NE(licence, nullptr);
    EXPECT_TRUE(licence->text().contains(QStringLiteral("GPL-3.0-or-later")));
    auto* picture = test::child<QLabel>(&d, ids::kAboutPicture);
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(picture->pos(), QPoint(25, 30));
    d.show();
    test::click(&d, ids::kOk);
    EXPECT_FALSE(d.isVisible());
}

}  // namespace
}  // namespace nimbora
