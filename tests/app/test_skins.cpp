// Skins: the remembered skin at start, the menu choice for every open window, and that each skin
// keeps the texts of the main window and the grids legible.
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "app/ui/skins.h"
#include "store/settings.h"
#include "support/test_session.h"
#include "widgets/data_grid.h"

#include <QtTest>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyleOptionGroupBox>
#include <QToolButton>

namespace {

double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The contrast of text as rendered: the commonest colour of the area is its background, the pixel
// that stands out most from it is the ink of the glyphs.
double renderedTextContrast(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = qMax(best, contrast(QColor(background), QColor(it.key())));
    return best;
}

QImage grabImage(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

class SkinsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window

    int m_skinAtLogin = -100;

    // Shows the main window as start-up does and notes the skin in force when the login window is
    // asked for.
    void showUntilLogin() {
        m_skinAtLogin = -100;
        m_form->hooks().loginRequired = [this] { m_skinAtLogin = currentSkin(); };
        m_form->show();
        m_form->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(m_skinAtLogin != -100, 2000);
        m_form->hooks().loginRequired = [] {};
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        MainWindow::setRemovableCheck([] { return true; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
        installSkins(*m_form);
    }
    void cleanup() {
        m_form.reset();
        applySkin(kDefaultSkin);
        m_session.reset();
    }

    void rememberedSkinAtStart_data() {
        QTest::addColumn<bool>("keyExists");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("2: the third skin") << true << true << "2" << 2;
        QTest::newRow("0: the first") << true << true << "0" << 0;
        QTest::newRow("4: the last") << true << true << "4" << 4;
        QTest::newRow("7") << true << true << "7" << kDefaultSkin;
        QTest::newRow("5, one past the last") << true << true << "5" << kDefaultSkin;
        QTest::newRow("-1") << true << true << "-1" << kDefaultSkin;
        QTest::newRow("02") << true << true << "02" << kDefaultSkin;
        QTest::newRow("blank and 2") << true << true << " 2" << kDefaultSkin;
        QTest::newRow("empty") << true << true << "" << kDefaultSkin;
        QTest::newRow("absent, other values there") << true << false << "" << kDefaultSkin;
        QTest::newRow("no key at all") << false << false << "" << kDefaultSkin;
    }
    void rememberedSkinAtStart() {
        QFETCH(bool, keyExists);
        QFETCH(bool, written);
        QFETCH(QString, text);
        QFETCH(int, expected);
        if (keyExists)
            WriteSetting(kMainKey, QStringLiteral("number"), QStringLiteral("5"));
        if (written)
            WriteSetting(kMainKey, QStringLiteral("skin"), text);

        showUntilLogin();
        QCOMPARE(m_skinAtLogin, expected);
        QCOMPARE(currentSkin(), expected);
        QCOMPARE(qApp->styleSheet(), skinStyleSheet(expected));
        QCOMPARE(qApp->styleSheet().isEmpty(), expected == kDefaultSkin);
        QCOMPARE(QApplication::palette().color(QPalette::Window), skinPalette(expected).color(QPalette::Window));
    }

    void rememberedSkinAgainAtNextShow() {
        // The backup window hides the main window and shows it again: the choice of this run stays.
        WriteSetting(kMainKey, QStringLiteral("skin"), QStringLiteral("1"));
        showUntilLogin();
        QCOMPARE(m_skinAtLogin, 1);
        m_form->findChild<QAction*>(QStringLiteral("N42"))->trigger();
        m_form->hide();
        m_form->show();
        QCOMPARE(currentSkin(), 3);
        QCOMPARE(qApp->styleSheet(), skinStyleSheet(3));
    }

    void menuItemsInOrder() {
        const QStringList names = skinNames();
        const QStringList objects = skinActionNames();
        QCOMPARE(names, (QStringList{"黑色经典(皮肤)", "蓝色幻想(皮肤)", "梦幻天空(皮肤)", "黑色遐想(皮肤)", "梦想成真(皮肤)"}));
        QCOMPARE(objects, (QStringList{"N19", "N26", "N32", "N42", "N52"}));
        QMenu* menu = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton18"))->menu();
        QStringList inMenu;
        for (QAction* a : menu->actions())
            if (objects.contains(a->objectName())) {
                QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
                QCOMPARE(a->text(), names[objects.indexOf(a->objectName())]);
                inMenu << a->objectName();
            }
        QCOMPARE(inMenu, objects);
    }

    void choosingWritesItsIndex_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("index");
        for (int i = 0; i < kSkinCount; ++i)
            QTest::newRow(qPrintable(skinActionNames()[i])) << skinActionNames()[i] << i;
    }
    void choosingWritesItsIndex() {
        QFETCH(QString, item);
        QFETCH(int, index);
        m_form->findChild<QAction*>(item)->trigger();
        QCOMPARE(currentSkin(), index);
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("skin")), QString::number(index));
        QCOMPARE(qApp->styleSheet(), skinStyleSheet(index));
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void choosingRestylesEveryOpenWindow() {
        showUntilLogin();
        QDialog other;
        auto* button = new QPushButton(QStringLiteral("确定"), &other);
        button->setGeometry(10, 10, 80, 26);
        auto* edit = new QLineEdit(QStringLiteral("文字"), &other);
        edit->setGeometry(10, 50, 120, 22);
        other.resize(200, 100);
        other.show();
        const QImage mainBefore = grabImage(m_form.get());
        const QImage otherBefore = grabImage(&other);

        m_form->findChild<QAction*>(QStringLiteral("N52"))->trigger();

        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("skin")), QStringLiteral("4"));
        QCOMPARE(currentSkin(), 4);
        const QImage mainAfter = grabImage(m_form.get());
        const QImage otherAfter = grabImage(&other);
        QVERIFY(mainAfter != mainBefore);
        QVERIFY(otherAfter != otherBefore);
        // The warm skin's cream window, its brown button text and its white-cream edit field.
        QCOMPARE(otherAfter.pixelColor(180, 90), QColor(QStringLiteral("#f5ebda")));
        QCOMPARE(button->palette().color(button->foregroundRole()), QColor(QStringLiteral("#3a2616")));
        QCOMPARE(edit->palette().color(QPalette::Base), QColor(QStringLiteral("#fffdf8")));
        QCOMPARE(m_form->statusPanel(1)->palette().color(QPalette::WindowText), QColor(QStringLiteral("#fdf0dc")));

        // Another choice replaces it everywhere again.
        m_form->findChild<QAction*>(QStringLiteral("N19"))->trigger();
        QCOMPARE(grabImage(&other).pixelColor(180, 90), QColor(QStringLiteral("#2d2d30")));
        QCOMPARE(ReadSettings(kMainKey).value(QStringLiteral("skin")), QStringLiteral("0"));
    }

    // The user list of the user administration is locked until the administrator's password: it
    // must look so in every skin, the plain one included.
    void aLockedListLooksLocked_data() {
        QTest::addColumn<int>("skin");
        for (int skin = 0; skin < 5; ++skin)
            QTest::newRow(qPrintable(QString::number(skin))) << skin;
        QTest::newRow("plain") << kDefaultSkin;
    }
    void aLockedListLooksLocked() {
        QFETCH(int, skin);
        applySkin(skin);
        QWidget window;
        window.resize(240, 100);
        auto* open = new QListWidget(&window);
        auto* locked = new QListWidget(&window);
        for (QListWidget* list : {open, locked})
            list->addItem(QStringLiteral("超级管理员"));
        open->setGeometry(0, 0, 120, 100);
        locked->setGeometry(120, 0, 120, 100);
        locked->setEnabled(false);
        window.show();
        const QImage shot = grabImage(&window);
        QVERIFY(shot.pixelColor(60, 80) != shot.pixelColor(180, 80));  // the background below the names
    }

    void unwritableSettingsReported() {
        // A settings folder that is a file: the skin is in force for the run, the failure is shown.
        QFile blocker(m_session->file(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("TOVRAKEL_CONFIG_DIR", m_session->file(QStringLiteral("blocked")).toUtf8());
        m_form->findChild<QAction*>(QStringLiteral("N26"))->trigger();
        QCOMPARE(currentSkin(), 1);
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Critical);
    }

    void sheetsComplete_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < kSkinCount; ++i)
            QTest::newRow(qPrintable(skinNames()[i])) << i;
    }
    void sheetsComplete() {
        QFETCH(int, index);
        const QString sheet = skinStyleSheet(index);
        QVERIFY(!sheet.isEmpty());
        for (int other = 0; other < kSkinCount; ++other)
            if (other != index)
                QVERIFY(skinStyleSheet(other) != sheet);
        // Every picture the sheet names is in the resources.
        const QRegularExpression url(QStringLiteral("url\\((:[^)]+)\\)"));
        int pictures = 0;
        for (auto it = url.globalMatch(sheet); it.hasNext(); ++pictures) {
            const QString path = it.next().captured(1);
            QVERIFY2(QFile::exists(path), qPrintable(path));
            QVERIFY2(!QImage(path).isNull(), qPrintable(path));
        }
        QVERIFY(pictures >= 5);
        // Whatever the skin, hints keep their orange and the success prompt its white on blue.
        applySkin(index);
        QLabel* prompt = m_form->successPrompt();
        prompt->setText(QStringLiteral("销售数据保存成功..."));
        prompt->ensurePolished();
        QCOMPARE(prompt->palette().color(prompt->backgroundRole()), QColor(QStringLiteral("#0066cc")));
        QCOMPARE(prompt->palette().color(prompt->foregroundRole()), QColor(Qt::white));
        QCOMPARE(QApplication::palette().color(QPalette::ToolTipBase), QColor(255, 194, 134));
    }

    // Each sheet is the template filled from the skin's palette: no name left unfilled, every
    // colour a colour, a sheet Qt reads without complaint, and an application palette without gaps.
    void sheetsFilledFromPalettes_data() { sheetsComplete_data(); }
    void sheetsFilledFromPalettes() {
        QFETCH(int, index);
        const QString sheet = skinStyleSheet(index);
        const QRegularExpressionMatch unfilled = QRegularExpression(QStringLiteral("@[^@\\s]*@")).match(sheet);
        QVERIFY2(!unfilled.hasMatch(), qPrintable(unfilled.captured()));
        const QRegularExpression declaration(QStringLiteral(":([^;{}]*);"));
        const QRegularExpression hash(QStringLiteral("#\\w*"));
        int colours = 0;
        for (auto d = declaration.globalMatch(sheet); d.hasNext();)
            for (auto c = hash.globalMatch(d.next().captured(1)); c.hasNext(); ++colours) {
                const QString colour = c.next().captured();
                QVERIFY2(QColor::isValidColorName(colour), qPrintable(colour));
            }
        QVERIFY(colours > 50);

        // Qt tells of a sheet it cannot read only by a warning, when it first styles a widget.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        applySkin(index);
        QDialog window;
        for (QWidget* w : std::initializer_list<QWidget*>{new QPushButton(&window), new QLineEdit(&window),
                                                          new QCheckBox(&window), new QGroupBox(&window),
                                                          new QLabel(&window)})
            w->ensurePolished();
        window.ensurePolished();

        const QPalette palette = skinPalette(index);
        for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::AlternateBase,
                          QPalette::Text, QPalette::Button, QPalette::ButtonText, QPalette::Highlight,
                          QPalette::HighlightedText, QPalette::Link, QPalette::PlaceholderText})
            QVERIFY2(palette.color(role).isValid(), qPrintable(QString::number(role)));
        QVERIFY(palette.color(QPalette::Disabled, QPalette::Text).isValid());
    }

    void quietLabelsFollowTheSkin_data() { sheetsComplete_data(); }
    void quietLabelsFollowTheSkin() {
        QFETCH(int, index);
        QWidget window;
        window.resize(300, 88);
        auto* hint = new QLabel(QStringLiteral("Enter 键依次跳到下一项"), &window);
        hint->setGeometry(4, 4, 290, 22);
        auto* warning = new QLabel(QStringLiteral("警告：导入前请您务必先备份数据库"), &window);
        warning->setGeometry(4, 32, 290, 22);
        auto* accent = new QLabel(QStringLiteral("客户编号："), &window);
        accent->setGeometry(4, 60, 290, 22);
        QPalette teal = accent->palette();
        teal.setColor(QPalette::WindowText, QColor(0, 128, 128));
        accent->setPalette(teal);
        accent->setProperty("accent", true);
        QPalette grey = hint->palette();
        grey.setColor(QPalette::WindowText, QColor(0x70, 0x70, 0x70));
        hint->setPalette(grey);
        QPalette red = warning->palette();
        red.setColor(QPalette::WindowText, Qt::red);
        warning->setPalette(red);
        hint->setProperty("muted", true);
        warning->setProperty("warning", true);
        window.show();

        applySkin(index);
        QApplication::processEvents();
        const QImage image = grabImage(&window);
        for (QLabel* label : {hint, warning, accent}) {
            const double ratio = renderedTextContrast(image, label->geometry());
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(label->text()).arg(ratio)));
        }
        // Back on the built-in look, the window's own colours return.
        applySkin(kDefaultSkin);
        QCOMPARE(hint->palette().color(QPalette::WindowText), QColor(0x70, 0x70, 0x70));
        QCOMPARE(warning->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(accent->palette().color(QPalette::WindowText), QColor(0, 128, 128));
    }

    void textsLegible_data() { sheetsComplete_data(); }
    void textsLegible() {
        QFETCH(int, index);
        // The inventory grid with its coloured title bands and footer; a stand-in where the main
        // window has none.
        auto* grid = m_form->findChild<DataGrid*>(QStringLiteral("DataGrid1"));
        if (!grid) {
            grid = new DataGrid(m_form->centralWidget());
            grid->setObjectName(QStringLiteral("DataGrid1"));
            GridColumn name;
            name.field = QStringLiteral("a");
            name.upperTitle = QStringLiteral("商品信息");
            name.lowerTitle = QStringLiteral("商品名称");
            name.band = QColor(166, 202, 240);
            name.footer = GridColumn::Footer::Text;
            name.footerText = QStringLiteral("总计");
            GridColumn plain;
            plain.field = QStringLiteral("b");
            plain.upperTitle = QStringLiteral("备注");
            plain.lowerTitle = QStringLiteral("备注信息");
            grid->setColumns({name, plain});
            m_form->setGridArea(grid);
        }
        showUntilLogin();
        m_form->salePanel()->show();
        applySkin(index);
        QApplication::processEvents();

        struct Probe {
            const char* what;
            QWidget* widget;
            QRect area;
        };
        auto* button = m_form->findChild<QPushButton*>(QStringLiteral("Button12"));
        auto* label = m_form->findChild<QLabel*>(QStringLiteral("Label48"));
        auto* check = m_form->findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
        auto* tool = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton19"));
        auto* box = m_program->inventory().controls().searchBox;
        QStyleOptionGroupBox boxOption;
        boxOption.initFrom(box);
        boxOption.text = box->title();
        boxOption.subControls = QStyle::SC_GroupBoxLabel;
        const QRect boxTitle =
            box->style()->subControlRect(QStyle::CC_GroupBox, &boxOption, QStyle::SC_GroupBoxLabel, box);
        QStyleOptionButton checkOption;
        checkOption.initFrom(check);
        const QRect checkText = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &checkOption, check);
        BandHeader* titles = grid->header();
        const int half = titles->height() / 2;
        // The sale panel's red and teal captions, the note in its small font.
        auto* price = m_form->salePanel()->findChild<QLabel*>(QStringLiteral("PriceCaption"));
        auto* note = m_form->salePanel()->findChild<QLabel*>(QStringLiteral("PrintRequiredNote"));

        const QList<Probe> probes = {
            {"label", label, label->rect()},
            {"button", button, button->rect().adjusted(4, 4, -4, -4)},
            {"check box", check, checkText},
            {"tool button caption", tool, QRect(2, 36, tool->width() - 4, tool->height() - 38)},
            {"group box title", box, boxTitle},
            {"status panel", m_form->statusPanel(1), m_form->statusPanel(1)->rect().adjusted(3, 3, -3, -3)},
            {"footer", grid->footer(), QRect(2, 2, grid->view()->columnWidth(0) - 4, grid->footer()->height() - 4)},
            {"warning caption", price, price->rect()},
            {"accent caption", note, note->rect()},
        };
        // Grabbed from the window, so each text is seen on the background its parents paint.
        const QImage window = grabImage(m_form.get());
        for (const Probe& probe : probes) {
            const QRect area(probe.widget->mapTo(m_form.get(), probe.area.topLeft()), probe.area.size());
            const double ratio = renderedTextContrast(window, area);
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(probe.what)).arg(ratio)));
        }
        // Every title of the grid, on its band: the lower titles per column, the upper ones per band.
        const QImage bands = grabImage(titles->viewport());  // the header paints all of it itself
        QString upper;
        int bandLeft = 0, bandRight = 0;
        for (int column = 0; column <= grid->columnCount(); ++column) {
            const bool end = column == grid->columnCount();
            const int x = end ? 0 : grid->view()->columnViewportPosition(column);
            if (!end && grid->isColumnHidden(column))
                continue;
            if (end || grid->columns()[column].upperTitle != upper) {
                if (!upper.isEmpty()) {
                    const QRect band(bandLeft + 2, 2, bandRight - bandLeft - 4, half - 4);
                    const double ratio = renderedTextContrast(bands, band);
                    QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("band %1: %2").arg(upper).arg(ratio)));
                }
                if (end)
                    break;
                upper = grid->columns()[column].upperTitle;
                bandLeft = x;
            }
            bandRight = x + grid->view()->columnWidth(column);
            const QRect lower(x + 2, half + 2, grid->view()->columnWidth(column) - 4, titles->height() - half - 4);
            const double ratio = renderedTextContrast(bands, lower);
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("title %1: %2").arg(column).arg(ratio)));
        }

        // The menus and the fields of the entry panels.
        QMenu* menu = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton18"))->menu();
        menu->ensurePolished();
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String("N19"))
                menu->setActiveAction(a);
        QVERIFY(contrast(menu->palette().color(QPalette::Window), menu->palette().color(QPalette::WindowText)) >= 4.5);
        QTableView* rows = grid->view();
        QVERIFY(contrast(rows->palette().color(QPalette::Base), rows->palette().color(QPalette::Text)) >= 4.5);
        QLineEdit* alarm = m_program->inventory().controls().alarmQuantity;
        QVERIFY(contrast(alarm->palette().color(QPalette::Base), alarm->palette().color(QPalette::Text)) >= 4.5);
        const double alarmText = renderedTextContrast(grabImage(alarm), alarm->rect().adjusted(3, 3, -3, -3));
        QVERIFY2(alarmText >= 4.5, qPrintable(QString::number(alarmText)));
    }
};

QTEST_MAIN(SkinsTest)
#include "test_skins.moc"
