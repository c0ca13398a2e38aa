#pragma once
// The page that holds Ruffle: it may show its own host page and nothing else,
// opens no window, picks no file, shows no dialog and is granted nothing.
// Its own script tells the program what a movie saves through the console.
// A movie's wish to fill the screen is granted only when the gate says so
// (just after the person's own key or click); none by default.
#include <functional>
#include <QJsonValue>
#include <QWebEnginePage>

namespace corvane {

class FlashWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    FlashWebPage(QWebEngineProfile* profile, QObject* parent);

    // The only address this page may show.
    static QUrl hostUrl();
    // Whether the movie may fill the screen now.
    void setFullScreenGate(std::function<bool()> gate) { fullScreenGate_ = std::move(gate); }

signals:
    // The movie the page got as `movie` changed a saved object: its text,
    // or null when it is gone.
    void objectSaved(int movie, const QString& key, const QJsonValue& text);
    // The page went into full screen, or out of it.
    void fullScreenChanged(bool on);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;

private:
    std::function<bool()> fullScreenGate_;
};

}  // namespace corvane
