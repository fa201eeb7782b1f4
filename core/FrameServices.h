// Plain services of the frame window: the font-style codes kept in the settings, and the
// message link with the companion reminder program.
#pragma once

#include "platform/forms/Graphics.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QLocalServer;

namespace kvz {

// ---- font-style codes ----
// A style set as the settings store it (15 = regular). Bold+underline+strike-out and
// italic+underline+strike-out have codes of their own (21, 22), so every set reads back.
// Nothing for a set that has no code.
std::optional<int> StyleCodeOf(unsigned style);
// The style a code stands for; nothing for a code that stands for none (0, 20, ...).
std::optional<unsigned> StyleOfCode(int code);

// ---- the companion reminder program ----
// Its window messages travel over local sockets in the user's runtime folder, one per window,
// named after the window's class and title. A message is one text line:
// "<message> <wParam> <lParam>\n". A line "TablePassword\n" asks the program for the current
// user's table password, which comes back as one line: the companion never gets it on its
// command line, where every user could read it.
inline constexpr int WM_TEMKO = 1125;
inline constexpr long TEMKO_TASKS_CHANGED = 1003375;
inline constexpr long TEMKO_RELOAD_TASKS = 2003375;
inline constexpr const char* kTemkoPasswordRequest = "TablePassword";

// The runtime folder: $XDG_RUNTIME_DIR, else a folder of the user's own in the temporary folder
// (or, when another account took that name, in the user's cache folder), made private to the
// user; empty when there is none, and then no socket is used.
std::filesystem::path RuntimeFolder();
std::filesystem::path WindowSocketPath(const std::string& windowClass, const std::string& title);

// Posts a message to the window's socket; false when no window listens there.
bool PostWindowMessage(const std::filesystem::path& socket, int message, long wParam, long lParam);

// The frame window's end of the link: listens on its socket and hands each message on.
class CompanionLink : public QObject {
public:
    explicit CompanionLink(const std::filesystem::path& socket);
    ~CompanionLink() override;
    // False when the socket could not be opened (another program of this user listens there).
    bool Listening() const;
    const std::filesystem::path& Socket() const { return socket_; }
    std::function<void(int message, long wParam, long lParam)> OnMessage;
    std::function<std::string()> OnPasswordRequest;

private:
    void Accept();
    std::filesystem::path socket_;
    QLocalServer* server_;
};

} // namespace kvz
