#pragma once

// The look shared by every screen: the named colours, the symbols (freedesktop icon-theme names
// with drawn fallbacks), heading fonts, and the few widgets every screen uses (labels that shorten
// long paths, prominent buttons).

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include <optional>

class QWidget;

namespace quillmore {

enum class NamedColor { orange, red, green, purple, yellow, secondary, accent };

// The colour for the current palette (light or dark window background).
QColor namedColor(NamedColor color);

// The icon for a symbol name used by the screens ("folder", "exclamationmark.triangle", ...).
// With a colour, a drawn glyph in that colour (the screens' tinted symbols); without, the icon
// theme's icon when it has one, else the drawn glyph in the text colour.
QIcon symbolIcon(const QString &symbol, std::optional<QColor> tint = std::nullopt);
// The freedesktop icon-theme name a symbol maps to (empty when the theme has no match).
QString themeIconName(const QString &symbol);

// Makes sure an icon theme is chosen (Adwaita, then hicolor) when the desktop set none.
void ensureIconTheme();

// The application's style sheet additions: tiles, prominent buttons, secondary text.
QString applicationStyleSheet();

// Label styles.
enum class TextStyle { largeTitle, title, title2, title3, headline, body, caption, secondary, captionSecondary };
void applyTextStyle(QWidget *label, TextStyle style);
void setTextColor(QWidget *label, std::optional<QColor> color);
// Marks a label as a heading for assistive technology.
void markAsHeading(QLabel *label);

// A label showing a single line shortened in the middle when it does not fit; the full text is
// its tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr, Qt::TextElideMode mode = Qt::ElideMiddle);
    void setFullText(const QString &text);
    QString fullText() const { return m_full; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateElided();
    QString m_full;
    Qt::TextElideMode m_mode;
};

// A button in the prominent (accent-filled) style.
QPushButton *makeProminentButton(const QString &text, QWidget *parent = nullptr);
void setProminent(QPushButton *button, bool large = false);

// The text of a key filled with a count: its %1 when it has one, else "text: count" (or
// "text (count)" for a button title).
QString countedText(const char *key, qint64 count, bool asButtonTitle = false);

// Sets the text only when it differs, so typing and selection are not disturbed.
void setTextIfChanged(QLabel *label, const QString &text);

} // namespace quillmore
