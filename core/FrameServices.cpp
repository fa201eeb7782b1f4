#include "core/FrameServices.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kvz {

namespace {

constexpr unsigned B = fsBold, I = fsItalic, U = fsUnderline, S = fsStrikeOut;

struct StyleCode {
    unsigned Style;
    int Code;
};
// The code written for each set.
constexpr StyleCode kWritten[] = {{0, 15},         {B, 1},          {I, 2},          {S, 3},
                                  {U, 4},          {B | I, 8},      {I | S, 6},      {I | U, 7},
                                  {B | S, 9},      {B | U, 10},     {B | I | S, 14}, {B | I | U, 13},
                                  {U | S, 17},     {B | I | U | S, 19}, {B | U | S, 21}, {I | U | S, 22}};
// Every code read, older ones included.
constexpr StyleCode kRead[] = {{B, 1},          {I, 2},          {S, 3},          {U, 4},         {B | I, 5},
                               {I | S, 6},      {I | U, 7},      {B | I, 8},      {B | S, 9},     {B | U, 10},
                               {B | I | S, 11}, {B | I | U, 12}, {B | I | U, 13}, {B | I | S, 14}, {0, 15},
                               {U | S, 16},     {U | S, 17},     {B | I | U | S, 18}, {B | I | U | S, 19},
                               {B | U | S, 21}, {I | U | S, 22}};

} // namespace

std::optional<int> StyleCodeOf(unsigned style) {
    for (const StyleCode& c : kWritten)
        if (c.Style == (style & (B | I | U | S))) return c.Code;
    return std::nullopt;
}

std::optional<unsigned> StyleOfCode(int code) {
    for (const StyleCode& c : kRead)
        if (c.Code == code) return c.Style;
    return std::nullopt;
}

namespace {

// A folder of this user alone: a real folder (no link) that the user owns and no one else may
// enter; made so when missing. One that someone else made, or that others could write into,
// is not taken: a socket put there first by another account would take the companion's talk.
bool PrivateFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

} // namespace

std::filesystem::path RuntimeFolder() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) return dir;
    const std::string own = "kvzirt-" + std::to_string(::geteuid());
    std::error_code ec;
    const std::filesystem::path shared = std::filesystem::temp_directory_path(ec) / own;
    if (!ec && PrivateFolder(shared)) return shared;
    // Taken by another account: a folder in the user's own cache folder.
    std::filesystem::path cache;
    if (const char* dir = std::getenv("XDG_CACHE_HOME"); dir && *dir) cache = dir;
    else if (const char* home = std::getenv("HOME"); home && *home) cache = std::filesystem::path(home) / ".cache";
    if (!cache.empty()) {
        std::filesystem::create_directories(cache, ec);
        if (PrivateFolder(cache / own)) return cache / own;
    }
    return {};
}

std::filesystem::path WindowSocketPath(const std::string& windowClass, const std::string& title) {
    const std::filesystem::path folder = RuntimeFolder();
    // No private folder: no socket, so no companion, rather than one that others could reach.
    if (folder.empty()) return {};
    return folder / ("kvzirt-" + windowClass + "-" + title);
}

bool PostWindowMessage(const std::filesystem::path& socket, int message, long wParam, long lParam) {
    QLocalSocket link;
    link.connectToServer(QString::fromStdString(socket.string()));
    if (!link.waitForConnected(200)) return false;
    const std::string line = std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam) + "\n";
    link.write(line.data(), qint64(line.size()));
    const bool sent = link.waitForBytesWritten(500);
    link.disconnectFromServer();
    return sent;
}

CompanionLink::CompanionLink(const std::filesystem::path& socket) : socket_(socket), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = QString::fromStdString(socket.string());
    // A socket file left by a program that ended without closing it answers nobody.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(100)) QLocalServer::removeServer(name);
    probe.abort();
    if (server_->listen(name)) QObject::connect(server_, &QLocalServer::newConnection, this, [this] { Accept(); });
}

CompanionLink::~CompanionLink() { server_->close(); }

bool CompanionLink::Listening() const { return server_->isListening(); }

void CompanionLink::Accept() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        QObject::connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            while (peer->canReadLine()) {
                const std::string line = peer->readLine(256).trimmed().toStdString();
                if (line == kTemkoPasswordRequest) {
                    const std::string answer = (OnPasswordRequest ? OnPasswordRequest() : std::string()) + "\n";
                    peer->write(answer.data(), qint64(answer.size()));
                    continue;
                }
                std::istringstream in(line);
                int message = 0;
                long wParam = 0, lParam = 0;
                // A line that is not a message is dropped.
                if (in >> message >> wParam >> lParam && OnMessage) OnMessage(message, wParam, lParam);
            }
        });
    }
}

} // namespace kvz
