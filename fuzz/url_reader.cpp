// Feeds arbitrary bytes to the reader of "ordello:" links: the query decoder and, with no library open,
// the whole handler.
#include "auxiliary/scripting_host.h"
#include "auxiliary/url_handler.h"

#include <QUrl>

#include <cstdint>
#include <cstdlib>

namespace {
class ClosedHost final : public TDScriptingHost {
public:
    TDLibrary* library() const override { return nullptr; }
    void revealObject(TDLibraryObject*) override { std::abort(); }
    QList<TDTask*> selectedTasks() const override { return {}; }
    void setSelectedTasks(const QList<TDTask*>&) override {}
    TDGroup* selectedGroup() const override { return nullptr; }
    bool selectGroup(TDGroup*) override { return false; }
    void save() override {}
    TDTimerController* timerController() override { return nullptr; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    const QString text = QString::fromUtf8(data);
    (void)TDURLHandler::dictionaryFromURLQueryString(text);
    // Whatever text a link carries comes back from its escapes unchanged.
    const QString encoded = QString::fromLatin1(text.toUtf8().toPercentEncoding());
    const std::optional<QString> decoded = TDURLHandler::decodedQueryValue(encoded);
    if (!decoded || *decoded != text) std::abort();
    // Text without escapes reads as written, characters outside the basic plane included.
    if (!text.contains(QLatin1Char('%')) && TDURLHandler::decodedQueryValue(text) != text) std::abort();

    ClosedHost host;
    TDURLHandler handler(host);
    handler.handleURL(QUrl(QStringLiteral("ordello:") + text));
    handler.handleURL(QUrl(QStringLiteral("ordello:///tasks?") + text));
    return 0;
}
