#include "app/AppServices.h"

#include "core/Paths.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QUrl>
#include <cstdio>

namespace
{
// A glyph strip of two states (normal, latched), each size x size.
QPixmap GlyphStrip(int size, const std::function<void(QPainter&, const QRect&, bool)>& draw)
{
    QPixmap pm(size * 2, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    for (int state = 0; state < 2; ++state)
        draw(p, QRect(state * size, 0, size, size), state == 1);
    return pm;
}
} // namespace

QPixmap BitmapResource(const QString& name)
{
    const QString n = name.toUpper();
    if (n == "PLAYBTN")
        return GlyphStrip(32,
                          [](QPainter& p, const QRect& r, bool on)
                          {
                              p.setPen(Qt::NoPen);
                              p.setBrush(on ? QColor(255, 170, 40) : QColor(70, 170, 70));
                              QPolygon tri;
                              tri << QPoint(r.left() + 9, r.top() + 6)
                                  << QPoint(r.left() + 26, r.center().y())
                                  << QPoint(r.left() + 9, r.bottom() - 5);
                              p.drawPolygon(tri);
                          });
    if (n == "HELMETBTN")
        return GlyphStrip(32,
                          [](QPainter& p, const QRect& r, bool on)
                          {
                              p.setPen(QPen(QColor(30, 30, 30), 1.5));
                              p.setBrush(on ? QColor(255, 170, 40) : QColor(200, 40, 40));
                              p.drawChord(r.adjusted(5, 6, -5, 10), 0, 180 * 16);
                              p.setBrush(QColor(240, 240, 240));
                              p.drawRect(QRect(r.left() + 16, r.top() + 16, 11, 5));
                          });
    if (n == "SELECTED")
    {
        QPixmap pm(64, 64);
        pm.fill(QColor(255, 220, 0));
        return pm;
    }
    if (n == "TABBKGRND")
    {
        QPixmap pm(64, 64);
        pm.fill(QColor(225, 228, 232));
        return pm;
    }
    if (n == "GEARS")
    {
        // Four frames of a turning gear, side by side.
        QPixmap pm(64 * 4, 64);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        for (int f = 0; f < 4; ++f)
        {
            p.save();
            p.translate(64 * f + 32, 32);
            p.rotate(f * 11.25);
            p.setBrush(QColor(90, 100, 115));
            p.setPen(Qt::NoPen);
            for (int t = 0; t < 8; ++t)
            {
                p.drawRect(-5, -30, 10, 12);
                p.rotate(45);
            }
            p.drawEllipse(QPoint(0, 0), 21, 21);
            p.setBrush(QColor(240, 240, 240));
            p.drawEllipse(QPoint(0, 0), 8, 8);
            p.restore();
        }
        return pm;
    }
    return {};
}

TVellToolButton::TVellToolButton(QWidget* parent, int tag, bool latching)
    : QToolButton(parent), FTag(tag)
{
    setCheckable(latching);
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this,
            [this]
            {
                if (OnClick)
                    OnClick(this);
            });
    connect(this, &QToolButton::toggled, this, &TVellToolButton::Toggled);
}

void TVellToolButton::SetLatched(bool latched)
{
    if (isCheckable())
        setChecked(latched);
}

void TVellToolButton::Toggled(bool checked)
{
    if (FSetting || !OnLatchChanged)
        return;
    bool latched = checked;
    OnLatchChanged(this, latched);
    if (latched != checked)
    {
        // The handler refused the latch (a ride that could not start): show its answer.
        FSetting = true;
        setChecked(latched);
        FSetting = false;
    }
}

TToolButton* TQtToolBarHost::AddToolButton(const std::string& caption, int tag,
                                           const std::string& bitmapName, const std::string& hint,
                                           bool latching)
{
    const QPixmap strip = BitmapResource(QString::fromStdString(bitmapName));
    if (strip.isNull() || strip.height() == 0)
        return nullptr;
    auto* button = new TVellToolButton(FBar, tag, latching);
    // The strip's first state is the normal glyph; the latched state follows it.
    const int h = strip.height();
    QIcon icon;
    icon.addPixmap(strip.copy(0, 0, h, h), QIcon::Normal, QIcon::Off);
    if (strip.width() >= 2 * h)
        icon.addPixmap(strip.copy(h, 0, h, h), QIcon::Normal, QIcon::On);
    button->setIcon(icon);
    button->setIconSize(QSize(h, h));
    if (!caption.empty())
        button->setText(QString::fromStdString(caption));
    if (!hint.empty())
        button->setToolTip(QString::fromStdString(hint));
    button->setObjectName(QString::fromStdString(bitmapName));
    FBar->addWidget(button);
    return button;
}

int TDesktopHelp::OpenHelpPage(const std::string& page)
{
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(HelpPageFile(page)));
    return QDesktopServices::openUrl(url) ? 1 : 0;
}

int TConsoleHelp::OpenHelpPage(const std::string& page)
{
    Opened.push_back(page);
    std::fprintf(stderr, "help: %s\n", HelpPageFile(page).c_str());
    return int(Opened.size());
}

namespace
{
// "Description|*.a;*.b" pairs become Qt's "Description (*.a *.b)" filters.
QStringList QtFilters(const std::string& filter)
{
    QStringList list;
    for (const auto& [description, patterns] : SplitDialogFilter(filter))
    {
        QString p = QString::fromStdString(patterns);
        p.replace(';', ' ');
        QString d = QString::fromStdString(description);
        if (!d.contains('('))
            d += " (" + p + ")";
        list << d;
    }
    return list;
}

bool RunDialog(QWidget* parent, const TFileDialogRequest& r, std::string& fileName, bool save)
{
    QFileDialog dialog(parent, QString::fromStdString(r.Title),
                       QString::fromStdString(r.InitialDir));
    const QStringList filters = QtFilters(r.Filter);
    dialog.setNameFilters(filters);
    if (r.FilterIndex >= 1 && r.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[r.FilterIndex - 1]);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !r.MustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!r.FileName.empty())
        dialog.selectFile(QString::fromStdString(r.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front().toStdString();
    return true;
}
} // namespace

bool TQtFileDialogs::OpenFile(const TFileDialogRequest& request, std::string& fileName)
{
    return RunDialog(FParent, request, fileName, false);
}

bool TQtFileDialogs::SaveFile(const TFileDialogRequest& request, std::string& fileName)
{
    return RunDialog(FParent, request, fileName, true);
}
