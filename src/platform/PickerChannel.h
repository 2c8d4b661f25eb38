// The local socket between the designers and the image picker ("画像参照ツール"), in place of the window
// messages they exchange: the designer asks the picker to come forward (WM_IMGVIEW) or to close (WM_CLOSE),
// and the picker hands back the chosen picture file (WM_COPYDATA).
#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

class QString;

// The picker's socket name for this data location, in the user's private socket folder (PrivateSocket.h): a
// picker of another user, or one started by a run over other data (a test), is not found.
QString PickerServerName();

inline constexpr uint32_t PickerActivate = 0x8190;    // the designer asks the picker to come forward
inline constexpr uint32_t PickerClose = 0x0010;       // the designer is closing; the picker closes too
inline constexpr uint32_t PickerChosenFile = 0x004A;  // the picker's chosen file, zero-terminated 8-bit path

// A message on the socket: u32 kind, u32 length, then the bytes, little-endian.
QByteArray EncodePickerMessage(uint32_t kind, const QByteArray &data = QByteArray());

struct TPickerMessage {
    uint32_t Kind = 0;
    QByteArray Data;
};

// Takes the bytes as they arrive and gives back whole messages. A length beyond MaxData means the peer is
// not one of ours: the reader then stays broken and the caller drops the connection.
class TPickerMessageReader {
public:
    static constexpr uint32_t MaxData = 64 * 1024;

    void Append(const QByteArray &bytes);
    // The next whole message, or none while its bytes have not all arrived (or the reader is broken).
    std::optional<TPickerMessage> Next();
    bool Broken() const { return broken_; }

private:
    QByteArray pending_;
    bool broken_ = false;
};

// The file name a chosen-file message carries: the bytes up to the first zero (all of them without one).
QByteArray ChosenFileName(const QByteArray &data);
