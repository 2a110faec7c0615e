#include "ui/text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace jollix {

QSize textRoomOf(const QWidget* control) {
    if (auto* l = qobject_cast<const QLabel*>(control)) return l->text().isEmpty() ? QSize() : l->sizeHint();
    if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control)) {
        auto* b = static_cast<const QAbstractButton*>(control);
        return b->text().isEmpty() ? QSize() : b->sizeHint();  // the mark, the gap and the text
    }
    if (auto* b = qobject_cast<const QAbstractButton*>(control)) {
        // Push and tool buttons: the text and a narrow bevel (their size
        // hints add the style's preferred minimum, which is no need).
        if (b->text().isEmpty()) return QSize();
        const QFontMetrics fm = b->fontMetrics();
        return QSize(fm.horizontalAdvance(b->text()) + 8, fm.height() + 3);
    }
    // An edit field's line of text and its frame (its size hint asks for more
    // than the text needs).
    if (qobject_cast<const QLineEdit*>(control)) return QSize(0, control->fontMetrics().height() + 6);
    return QSize();
}

namespace {

struct Item {
    QWidget* widget;
    QRect designed;  // where the window's layout put it
    int need;        // the length its text needs along the pass's axis
    int shift = 0;
    int grow = 0;
};

// One pass along an axis: x with rows (horizontal) or y with columns.
// Returns how far the far edge of the contents moved.
int pass(std::vector<Item>& items, bool horizontal) {
    auto start = [&](const QRect& r) { return horizontal ? r.x() : r.y(); };
    auto length = [&](const QRect& r) { return horizontal ? r.width() : r.height(); };
    // The other axis decides who shares a row (or a column).
    auto across = [&](const QRect& a, const QRect& b) {
        return horizontal ? a.top() <= b.bottom() && b.top() <= a.bottom()
                          : a.left() <= b.right() && b.left() <= a.right();
    };
    std::stable_sort(items.begin(), items.end(),
                     [&](const Item& a, const Item& b) { return start(a.designed) < start(b.designed); });
    int farBefore = 0, farAfter = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        Item& it = items[i];
        it.shift = 0;
        for (size_t j = 0; j < i; ++j) {
            const Item& before = items[j];
            if (start(before.designed) >= start(it.designed) || !across(before.designed, it.designed)) continue;
            // Keep the designed distance to a control that grew, and never
            // lie on a text (designs may overlap a caption's spare room).
            it.shift = std::max({it.shift, before.shift + before.grow,
                                 start(before.designed) + before.shift + before.need - start(it.designed)});
        }
        it.grow = std::max(0, it.need - length(it.designed));
        farBefore = std::max(farBefore, start(it.designed) + length(it.designed));
        farAfter = std::max(farAfter, start(it.designed) + it.shift + length(it.designed) + it.grow);
    }
    for (Item& it : items) {
        QRect r = it.designed;
        if (horizontal)
            r = QRect(r.x() + it.shift, r.y(), r.width() + it.grow, r.height());
        else
            r = QRect(r.x(), r.y() + it.shift, r.width(), r.height() + it.grow);
        it.designed = r;
    }
    return farAfter - farBefore;
}

}  // namespace

QSize fitTexts(QWidget* container, const QList<QList<QWidget*>>& sameWidth) {
    std::vector<Item> items;
    for (QObject* o : container->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        items.push_back({w, w->geometry(), 0});
    }
    for (Item& it : items) {
        it.need = textRoomOf(it.widget).width();
        for (const QList<QWidget*>& group : sameWidth)
            if (group.contains(it.widget))
                for (const QWidget* other : group) it.need = std::max(it.need, textRoomOf(other).width());
    }
    const int wider = pass(items, true);
    // Heights once the widths are settled: a wider control may need fewer lines.
    for (Item& it : items) it.need = textRoomOf(it.widget).height();
    const int taller = pass(items, false);
    for (const Item& it : items)
        if (it.widget->geometry() != it.designed) it.widget->setGeometry(it.designed);
    return QSize(std::max(0, wider), std::max(0, taller));
}

}  // namespace jollix
