// TContinualAdrsSearch: the address-to-municipality-code look-up of the dictionaries, as the record windows use
// it. The dictionaries build on this part of the program, so they provide it through a maker installed at start.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

// Every failure of the look-up: an empty address, a library that cannot be loaded or a failed call.
class EContinualAdrsSearchError : public std::runtime_error {
public:
    explicit EContinualAdrsSearchError(const QString &message)
        : std::runtime_error(message.toStdString()), Message(message)
    {
    }
    const QString Message;
};

// The codes of a matched address, as the library wrote them (blanks not yet trimmed).
struct TContinualAdrsResult {
    QByteArray JisCode;   // 5 characters
    QByteArray KajoCode;  // 6 characters
};

class TContinualAdrsSearch {
public:
    virtual ~TContinualAdrsSearch() = default;
    // Looks up a Shift-JIS address (trimmed first): 0 when it was matched, 1, 4 or 8 for the library's other
    // outcomes. Each call replaces the previous result.
    virtual int Search(const QByteArray &address) = 0;
    // The result of the last Search that returned 0.
    virtual TContinualAdrsResult GetResult() const = 0;
};

// Makes the look-up over the library in libraryFolder and the dictionaries in dataFolder; raises
// EContinualAdrsSearchError when it cannot. Unset while the program has no dictionaries: the windows then
// offer no code look-up.
inline std::function<std::unique_ptr<TContinualAdrsSearch>(const QString &libraryFolder, const QString &dataFolder)>
    MakeContinualAdrsSearch;
