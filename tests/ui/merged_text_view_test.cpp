// The merged-text view over small in-memory texts: what it shows where, how
// it scrolls, what it selects and copies, and that it never changes the text.
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "line_chunks.h"
#include "long_lines.h"
#include "line_text.h"
#include "merged_text_view.h"

using velmor::ByteCount;
using velmor::ByteOffset;
using velmor::LineCount;
using velmor::LineNumber;
using velmor::TextPosition;
using velmor::testing::LongLines;

namespace {

// A merged text held in a string, with the store's change notifications.
class FakeText final : public velmor::MergedTextSource {
public:
    // `text` is empty or ends with CR LF, like every append to the store.
    void append(const std::string& text)
    {
        text_ += text;
        index();
        listener_();
    }
    void clear()
    {
        text_.clear();
        index();
        listener_();
    }
    const std::string& text() const { return text_; }

    ByteCount size() const override { return text_.size(); }
    LineCount lineCount() const override { return starts_.size() - 1; }
    ByteOffset lineStart(LineNumber line) const override { return starts_.at(line); }
    ByteCount longestLine() const override { return longest_; }
    std::string_view bytes(ByteOffset offset, ByteCount length) const override
    {
        return std::string_view(text_).substr(offset, length);
    }
    void setChangeListener(std::function<void()> listener) override { listener_ = std::move(listener); }

private:
    void index()
    {
        starts_ = {0};
        longest_ = 0;
        for (std::size_t at = text_.find("\r\n"); at != std::string::npos; at = text_.find("\r\n", at + 2)) {
            longest_ = std::max<ByteCount>(longest_, at - starts_.back());
            starts_.push_back(at + 2);
        }
    }

    std::string text_;
    std::vector<ByteOffset> starts_{0};
    ByteCount longest_ = 0;
    std::function<void()> listener_ = [] {};
};

// A text far too large to hold, made up as it is read: line k is "line "
// and k in ten digits, so every line takes 17 bytes with its CR LF.
class PatternText final : public velmor::MergedTextSource {
public:
    static constexpr ByteCount kLineBytes = 17;
    explicit PatternText(LineCount lines) : lines_(lines) {}

    ByteCount size() const override { return lines_ * kLineBytes; }
    LineCount lineCount() const override { return lines_; }
    ByteOffset lineStart(LineNumber line) const override { return line * kLineBytes; }
    ByteCount longestLine() const override { return kLineBytes - 2; }
    std::string_view bytes(ByteOffset offset, ByteCount length) const override
    {
        length = std::min(length, size() - offset);
        buffer_.clear();
        for (ByteOffset at = offset; at < offset + length; ++at) buffer_ += byteAt(at);
        return buffer_;
    }
    void setChangeListener(std::function<void()>) override {}

private:
    static char byteAt(ByteOffset at)
    {
        char line[32];
        std::snprintf(line, sizeof line, "line %010llu\r\n", (unsigned long long)(at / kLineBytes));
        return line[at % kLineBytes];
    }

    LineCount lines_;
    mutable std::string buffer_;
};

std::string numberedLines(int count)
{
    std::string text;
    for (int k = 0; k < count; ++k) text += "line " + std::to_string(k) + "\r\n";
    return text;
}

// The view updates once the event loop runs, and its scroll bars come and
// go one round after that.
void settle()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// Whether anything but the background is painted inside `area`.
bool hasInk(const QImage& image, QRect area, QColor background)
{
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background) return true;
    return false;
}

// The byte columns where a character begins, and the line's end.
std::vector<ByteCount> characterStarts(const std::string& line)
{
    std::vector<ByteCount> starts;
    for (ByteCount at = 0; at < line.size(); ++at)
        if ((static_cast<unsigned char>(line[at]) & 0xC0) != 0x80) starts.push_back(at);
    starts.push_back(line.size());
    return starts;
}

class MergedTextViewTest : public ::testing::Test {
protected:
    void show(velmor::MergedTextSource& source)
    {
        view.setSource(&source);
        view.resize(320, 240);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.activateWindow();
        view.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }
    int rows() const { return view.viewport()->height() / view.fontMetrics().lineSpacing(); }
    LineNumber lineAtBottom() const { return view.positionAt(QPoint(0, view.viewport()->height() - 1)).line; }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&view, Qt::Key(key), modifiers);
    }
    void drag(TextPosition from, TextPosition to)
    {
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.pointAt(from));
        QTest::mouseMove(view.viewport(), view.pointAt(to));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.pointAt(to));
    }

    QString clipboard() const { return QGuiApplication::clipboard()->text(); }

    // The sources come first: the view must go before them.
    FakeText text;
    std::unique_ptr<PatternText> huge;
    std::unique_ptr<LongLines> longLines;
    MergedTextView view;
};

TEST_F(MergedTextViewTest, MapsRowsToLinesWhenScrolledAndJumpsToTheEnd)
{
    text.append(numberedLines(1000));
    show(text);
    ASSERT_GT(rows(), 2);
    EXPECT_EQ(view.firstVisibleLine(), 0u);
    EXPECT_EQ(view.positionAt(QPoint(0, 0)).line, 0u);

    view.verticalScrollBar()->setValue(100);
    EXPECT_EQ(view.firstVisibleLine(), 100u);
    EXPECT_EQ(view.positionAt(QPoint(0, 0)).line, 100u);
    EXPECT_EQ(lineAtBottom(), 100u + rows() - 1);

    // The empty line after the final CR LF is shown, as an editor shows it.
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.cursorPosition(), (TextPosition{1000, 0}));
    EXPECT_EQ(view.firstVisibleLine(), 1001u - rows());
    EXPECT_EQ(lineAtBottom(), 1000u);

    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.firstVisibleLine(), 0u);
    key(Qt::Key_PageDown);
    EXPECT_EQ(view.firstVisibleLine(), LineNumber(rows()));
}

TEST_F(MergedTextViewTest, ReachesTheEndOfMoreLinesThanAScrollBarCounts)
{
    huge = std::make_unique<PatternText>(3'000'000'000ull);
    show(*huge);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.firstVisibleLine(), huge->lineCount() + 1 - rows());
    EXPECT_EQ(lineAtBottom(), huge->lineCount());
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    key(Qt::Key_Up);
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedBytes(), "line 2999999999");
    EXPECT_FALSE(view.grab().isNull());

    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    EXPECT_NEAR(double(view.firstVisibleLine()), 1.5e9, rows());
}

TEST_F(MergedTextViewTest, MovesAndSelectsWithTheKeyboard)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
        std::string selected;
    };
    const Case cases[] = {
        {"shift right twice", {{Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}}, "li"},
        {"shift end", {{Qt::Key_End, Qt::ShiftModifier}}, "line 0"},
        {"shift down", {{Qt::Key_Down, Qt::ShiftModifier}}, "line 0\r\n"},
        {"right across a line end",
         {{Qt::Key_End, {}}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}}, "\r\nl"},
        {"left back into the line before",
         {{Qt::Key_Down, {}}, {Qt::Key_Home, {}}, {Qt::Key_Left, Qt::ShiftModifier}}, "\r\n"},
        {"up keeps the column", {{Qt::Key_Down, {}}, {Qt::Key_Right, {}}, {Qt::Key_Up, Qt::ShiftModifier}},
         "ine 0\r\nl"},
    };
    text.append(numberedLines(50));
    show(text);
    for (const Case& c : cases) {
        key(Qt::Key_Home, Qt::ControlModifier);
        for (const auto& [k, modifiers] : c.keys) key(k, modifiers);
        EXPECT_EQ(view.selectedBytes(), c.selected) << c.name;
    }
}

TEST_F(MergedTextViewTest, ShowsALongLineAsOneRowReachedSideways)
{
    // Wider than the average character, so the painted line outgrows the
    // estimate taken from the longest line's length.
    const QString wide(3000, QLatin1Char('W'));
    text.append(wide.toStdString() + "\r\nshort\r\n");
    show(text);
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_EQ(view.positionAt(QPoint(5, view.fontMetrics().lineSpacing() * 3 / 2)).line, 1u);

    const int lineEnd = view.pointAt({0, ByteCount(wide.size())}).x();
    view.grab();
    settle();
    const int reach = view.horizontalScrollBar()->maximum() + view.viewport()->width();
    EXPECT_GE(reach, lineEnd);

    key(Qt::Key_End);
    EXPECT_GT(view.horizontalScrollBar()->value(), 0);
    const QPoint cursor = view.pointAt(view.cursorPosition());
    EXPECT_TRUE(view.viewport()->rect().contains(cursor)) << cursor.x();
}

TEST_F(MergedTextViewTest, ShowsAndReachesTheEndOfLinesOfGigabytes)
{
    constexpr ByteCount length = 3'000'000'000ull;
    longLines = std::make_unique<LongLines>(50, length);
    show(*longLines);
    QScrollBar* horizontal = view.horizontalScrollBar();
    EXPECT_TRUE(horizontal->isVisible());
    const QColor background = view.palette().color(QPalette::Button);
    const int rowHeight = view.fontMetrics().lineSpacing();

    // A screen of such lines reads a few chunks of each, never a line.
    longLines->bytesRead = 0;
    EXPECT_TRUE(hasInk(view.viewport()->grab().toImage(), QRect(0, 0, 50, rowHeight), background));
    EXPECT_LT(longLines->bytesRead, 1u << 20);

    key(Qt::Key_End);
    EXPECT_EQ(view.cursorPosition(), (TextPosition{0, length}));
    const QPoint end = view.pointAt(view.cursorPosition());
    ASSERT_TRUE(view.viewport()->rect().contains(end)) << end.x();
    EXPECT_EQ(view.positionAt(end), view.cursorPosition());
    EXPECT_TRUE(hasInk(view.viewport()->grab().toImage(), QRect(0, 0, end.x() - 1, rowHeight), background));
    EXPECT_LT(longLines->bytesRead, 2u << 20);

    for (int i = 0; i < 3; ++i) key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedBytes(), longLines->part(length - 3, length));
    ASSERT_TRUE(view.copy());
    EXPECT_EQ(clipboard(), QString::fromStdString(longLines->part(length - 3, length)));
    key(Qt::Key_Down);
    EXPECT_EQ(view.cursorPosition(), (TextPosition{1, length - 3}));
    key(Qt::Key_Home);
    EXPECT_EQ(horizontal->value(), 0);

    // The bar dragged to its far right shows the lines' ends too.
    horizontal->setValue(horizontal->maximum());
    EXPECT_EQ(view.positionAt(QPoint(view.viewport()->width() - 1, rowHeight / 2)), (TextPosition{0, length}));
    EXPECT_TRUE(hasInk(view.viewport()->grab().toImage(), QRect(0, 0, view.viewport()->width() / 2, rowHeight),
                       background));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.cursorPosition(), (TextPosition{50, 0}));
}

TEST_F(MergedTextViewTest, KeepsCharactersWholeAcrossTheChunksOfALongLine)
{
    // Characters of 2, 3 and 4 bytes and mixtures: chunk edges fall inside them.
    for (const std::string unit : {"\xC3\xA9", "\xE2\x82\xAC", "a\xF0\x9F\x98\x80", "a\xC3\xA9\xE2\x82\xAC"}) {
        SCOPED_TRACE(unit);
        std::string line;
        while (line.size() < 1000) line += unit;
        text.clear();
        text.append(line + "\r\n");
        show(text);
        std::vector<ByteCount> stops{0};
        while (stops.back() < line.size() && stops.size() <= line.size()) {
            key(Qt::Key_Right);
            stops.push_back(view.cursorPosition().column);
        }
        const std::vector<ByteCount> starts = characterStarts(line);
        EXPECT_EQ(stops, starts);
        for (const ByteCount column : starts)
            EXPECT_EQ(view.positionAt(view.pointAt({0, column})), (TextPosition{0, column})) << column;
        for (auto back = starts.rbegin() + 1; back != starts.rend(); ++back) {
            key(Qt::Key_Left);
            EXPECT_EQ(view.cursorPosition().column, *back);
        }
        key(Qt::Key_End, Qt::ShiftModifier);
        ASSERT_TRUE(view.copy());
        EXPECT_EQ(clipboard(), QString::fromStdString(line));
        const ByteCount from = starts[starts.size() / 3], to = starts[starts.size() / 2];
        drag({0, from}, {0, to});
        ASSERT_TRUE(view.copy());
        EXPECT_EQ(clipboard(), QString::fromStdString(line.substr(from, to - from)));
    }
}

TEST_F(MergedTextViewTest, DecodesALongLineChunkByChunk)
{
    // One Latin-1 byte spoils only the chunk it stands in.
    std::string line = "\xE9";
    while (line.size() < 600) line += "\xC3\xA9";
    text.append(line + "\r\n");
    show(text);
    const ByteCount second = velmor::LineChunks(&text, 0, line.size()).begin(1);
    key(Qt::Key_End, Qt::ShiftModifier);
    ASSERT_TRUE(view.copy());
    EXPECT_EQ(clipboard(), QString::fromLatin1(line.substr(0, second)) + QString::fromStdString(line.substr(second)));
}

TEST_F(MergedTextViewTest, CopiesAMouseSelectionWithItsCrLfPairs)
{
    text.append("ab\r\ncd\r\nef\r\n");
    show(text);
    drag({0, 1}, {2, 1});
    EXPECT_EQ(view.selectedBytes(), "b\r\ncd\r\ne");
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("b\r\ncd\r\ne"));

    // Shift+click moves the selection's free end and keeps the anchor.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, view.pointAt({1, 0}));
    EXPECT_EQ(view.selectedBytes(), "b\r\n");
}

TEST_F(MergedTextViewTest, DecodesEachLineAsUtf8OrElseLatin1ForShowingAndCopying)
{
    // "König" in UTF-8, then in Latin-1, then an empty line.
    text.append("K\xC3\xB6nig\r\nK\xF6nig\r\n\r\n");
    show(text);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectedBytes(), text.text());
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("König\r\nKönig\r\n\r\n"));

    // Byte columns survive the round trip through the screen in both lines.
    for (const TextPosition at : {TextPosition{0, 3}, TextPosition{0, 6}, TextPosition{1, 2}, TextPosition{1, 5}})
        EXPECT_EQ(view.positionAt(view.pointAt(at)), at) << at.line << ":" << at.column;
    drag({0, 1}, {0, 3});
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("ö"));
    drag({1, 1}, {1, 2});
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("ö"));
}

TEST(LineTextTest, DecodesValidUtf8AndEverythingElseByteForByte)
{
    struct Case {
        const char* bytes;
        const char16_t* shown;
        bool utf8;
    };
    const Case cases[] = {
        {"plain", u"plain", true},
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", u"\u00E9t\u00E9 \u20AC \U0001F600", true},
        {"\xEF\xBB\xBFx", u"\uFEFFx", true},                     // a byte order mark stays
        {"\xE9t\xE9", u"\u00E9t\u00E9", false},                  // Latin-1
        {"\xC3\xA9\xFF", u"\u00C3\u00A9\u00FF", false},          // one bad byte spoils the line
        {"\xC0\xAF", u"\u00C0\u00AF", false},                    // overlong
        {"\xED\xA0\x80", u"\u00ED\u00A0\u0080", false},          // surrogate
        {"\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080", false},  // past U+10FFFF
        {"ab\xC3", u"ab\u00C3", false},                          // cut short
    };
    for (const Case& c : cases) {
        const velmor::LineText line = velmor::decodeLine(c.bytes);
        EXPECT_EQ(line.text, QStringView(c.shown).toString()) << c.bytes;
        EXPECT_EQ(line.utf8, c.utf8) << c.bytes;
    }
}

TEST(LineTextTest, MapsByteColumnsToDisplayColumnsAndBack)
{
    // a, e-acute (2 bytes), euro (3 bytes), a smiley (4 bytes, two UTF-16 units), b
    const std::string_view line = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b";
    const std::pair<std::size_t, int> boundaries[] = {{0, 0}, {1, 1}, {3, 2}, {6, 3}, {10, 5}, {11, 6}};
    for (const auto& [bytes, shown] : boundaries) {
        EXPECT_EQ(velmor::displayColumn(line, true, bytes), shown) << bytes;
        EXPECT_EQ(velmor::byteColumn(line, true, shown), bytes) << shown;
        EXPECT_EQ(velmor::displayColumn(line, false, bytes), int(bytes)) << bytes;
    }
    EXPECT_EQ(velmor::byteColumn(line, true, 4), 6u);     // inside the smiley: its start
    EXPECT_EQ(velmor::displayColumn(line, true, 2), 1);   // inside e-acute: its start
}

TEST_F(MergedTextViewTest, SelectsAllWithoutReadingAndRefusesToCopyGigabytes)
{
    huge = std::make_unique<PatternText>(100'000'000);  // 1.7 GB
    show(*huge);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.cursorPosition(), (TextPosition{100'000'000, 0}));
    EXPECT_FALSE(view.copy());
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(MergedTextViewTest, IsReadOnly)
{
    const std::string original = "abc\r\ndef\r\n";
    text.append(original);
    show(text);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    key(Qt::Key_A, Qt::ControlModifier);
    for (const auto& [k, modifiers] : std::vector<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_X, {}}, {Qt::Key_Backspace, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Return, {}},
             {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_X, Qt::ControlModifier},
             {Qt::Key_Insert, Qt::ShiftModifier}, {Qt::Key_Z, Qt::ControlModifier}})
        key(k, modifiers);
    EXPECT_EQ(text.text(), original);
    EXPECT_EQ(view.selectedBytes(), original);
    EXPECT_FALSE(view.acceptDrops());
    EXPECT_FALSE(view.viewport()->acceptDrops());
}

TEST(MergedTextViewFocusTest, HidesTheSelectionWithoutFocusAndTakesPartInTabOrder)
{
    FakeText text;
    text.append("abc\r\n");
    QWidget form;
    auto* edit = new QLineEdit(&form);
    auto* view = new MergedTextView(&form);
    auto* layout = new QHBoxLayout(&form);
    layout->addWidget(edit);
    layout->addWidget(view);
    view->setSource(&text);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(view->focusPolicy(), Qt::StrongFocus);

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    ASSERT_TRUE(view->hasFocus());
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(view->isSelectionShown());

    edit->setFocus();
    EXPECT_FALSE(view->isSelectionShown());
    EXPECT_EQ(view->selectedBytes(), "abc\r\n");  // kept, only hidden
    view->setFocus();
    EXPECT_TRUE(view->isSelectionShown());
}

TEST_F(MergedTextViewTest, FollowsClearAndAppendWithItsScrollBars)
{
    show(text);
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());

    // Scroll bars come and go once the event loop runs again.
    text.append(numberedLines(200));
    settle();
    EXPECT_TRUE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    view.verticalScrollBar()->setValue(50);
    key(Qt::Key_A, Qt::ControlModifier);
    text.append(std::string(2000, 'x') + "\r\n");
    settle();
    EXPECT_EQ(view.firstVisibleLine(), 50u);
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    EXPECT_EQ(view.selectedBytes(), numberedLines(200));
    key(Qt::Key_End, Qt::ControlModifier);  // the long line gets painted
    view.grab();

    text.clear();
    settle();
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    EXPECT_EQ(view.firstVisibleLine(), 0u);
    EXPECT_EQ(view.selectedBytes(), "");
    text.append("again\r\n");
    EXPECT_EQ(view.positionAt(QPoint(0, 0)), (TextPosition{0, 0}));
}

TEST_F(MergedTextViewTest, PaintsOnTheButtonFace)
{
    show(text);
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), view.palette().color(QPalette::Button));
}

}  // namespace
