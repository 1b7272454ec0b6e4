// The main window shell: captions, menus, status bar, timers, window activation, closing.
#include "app/ui/about_window.h"
#include "app/ui/help_window.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "inventory/ui/inventory.h"
#include "store/data_module.h"
#include "store/settings.h"
#include "support/test_session.h"
#include "widgets/date_field.h"

#include <QtTest>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolButton>

// A tool window kind for the activation routine.
class ToolWindow : public QWidget {
    Q_OBJECT
public:
    explicit ToolWindow(QWidget* owner) : QWidget(owner, Qt::Window) { ++created; }
    static int created;
};
int ToolWindow::created = 0;

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSession> m_session;
    std::unique_ptr<MainWindow> m_form;
    Program* m_program = nullptr;  // owned by the window
    bool m_removable = true;

    QStringList actionTexts(QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }
    int rzCount(const QString& where) {
        return dm().connection().scalar(QStringLiteral("select count(*) from rz where ") + where).toInt();
    }

private slots:
    void init() {
        m_session = std::make_unique<TestSession>();
        m_removable = true;
        MainWindow::setRemovableCheck([this] { return m_removable; });
        m_form = std::make_unique<MainWindow>();
        m_program = new Program(*m_form, m_session->session());
    }
    void cleanup() {
        m_form.reset();
        m_session.reset();
    }

    void captionToolBarAndMenus() {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tovrakel V2.3.2"));
        const QList<QPair<QString, QString>> buttons = {
            {"ToolButton7", "新建入库"}, {"ToolButton19", "销售明细"}, {"ToolButton2", "POS打印"},
            {"ToolButton22", "汇总统计"}, {"ToolButton17", "数据备份"}, {"ToolButton18", "设 置"},
            {"ToolButton1", "技术支持"}};
        int lastX = -1;
        for (const auto& b : buttons) {
            auto* button = m_form->findChild<QToolButton*>(b.first);
            QVERIFY2(button, qPrintable(b.first));
            QCOMPARE(button->text(), b.second);
            QCOMPARE(button->size(), QSize(55, 51));
            QVERIFY(button->geometry().x() > lastX);  // in this order, left to right
            lastX = button->geometry().x();
        }
        QCOMPARE(m_form->findChild<QToolButton*>("ToolButton2")->toolTip(), QStringLiteral("销售完成，直接点此打印销售单"));
        QCOMPARE(actionTexts(m_form->findChild<QToolButton*>("ToolButton7")->menu()),
                 (QStringList{"新建入库", "Excel导入"}));
        QCOMPARE(actionTexts(m_form->findChild<QToolButton*>("ToolButton18")->menu()),
                 (QStringList{"修改密码", "用户管理", "小票打印机", "-", "黑色经典(皮肤)", "蓝色幻想(皮肤)", "梦幻天空(皮肤)",
                              "黑色遐想(皮肤)", "梦想成真(皮肤)", "-", "计算器", "记事本"}));
        const QStringList support = actionTexts(m_form->findChild<QToolButton*>("ToolButton1")->menu());
        QCOMPARE(support.size(), 5);
        QCOMPARE(support.mid(0, 3), (QStringList{"使用帮助", "软件自动升级", "官方网站"}));
        QVERIFY(support[3].startsWith(QStringLiteral("客服QQ：")) && support[3].size() > 5);
        QCOMPARE(support[4], QStringLiteral("关于..."));
        QCOMPARE(actionTexts(m_form->gridMenu()),
                 (QStringList{"新建入库", "汇总统计", "销售明细", "-", "修 改(退货)", "删 除", "全部记录", "导出Excel",
                              "打 印", "-", "隐藏进货单价", "隐藏销售单价", "隐藏金额", "隐藏日期", "隐藏供货商",
                              "隐藏备注信息"}));
        QCOMPARE(m_form->findChild<QAction*>("GridSummary")->shortcut(), QKeySequence("Ctrl+H"));
        QCOMPARE(m_form->findChild<QAction*>("GridExport")->shortcut(), QKeySequence("Ctrl+E"));
        QCOMPARE(m_form->findChild<QAction*>("GridPrint")->shortcut(), QKeySequence("Ctrl+D"));
        QCOMPARE(m_form->findChild<QLineEdit*>("Edit43")->text(), QStringLiteral("5"));
        QVERIFY(m_form->findChild<QWidget*>("Button12"));
        QVERIFY(m_form->findChild<QWidget*>("CheckBox1"));
    }

    void showStepsAndStatusBar() {
        WriteSetting(kMainKey, QStringLiteral("number"), QStringLiteral("12"));
        m_removable = false;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(m_form->statusPanel(0)->width(), 350);
        QCOMPARE(m_form->statusPanel(1)->text(), QStringLiteral("操作员："));
        QCOMPARE(m_form->statusPanel(1)->width(), 200);
        QCOMPARE(m_form->statusPanel(2)->text(), QStringLiteral("今天：2024-03-05"));
        QCOMPARE(m_form->statusPanel(3)->width(), 300);
        QCOMPARE(m_program->inventory().controls().alarmQuantity->text(), QStringLiteral("12"));
        QCOMPARE(m_program->inventory().controls().stockInDate->dateText(), QStringLiteral("2024-03-05"));
        QCOMPARE(m_form->saleDate()->dateText(), QStringLiteral("2024-03-05"));
        QVERIFY(!m_program->inventory().controls().stockInPanel->isVisible());
        QCOMPARE(m_form->gridArea()->height(), 473);
        m_form->resize(1015, 800);  // as when maximised: the grid takes the extra height
        QCOMPARE(m_form->gridArea()->height(), 473 + 164);
        // A fixed disk gets the advice as information, once for the user: neither the next show
        // (as after the backup window) nor the next start repeats it.
        QCOMPARE(m_session->ui.messages.size(), 1);
        QCOMPARE(m_session->ui.messages[0].caption, QApplication::applicationName());
        QCOMPARE(m_session->ui.messages[0].text, QStringLiteral("建议将软件安装在U盘上使用!"));
        QCOMPARE(m_session->ui.messages[0].icon, QMessageBox::Information);
        m_form->hide();
        m_form->show();
        auto nextStart = std::make_unique<MainWindow>();
        nextStart->show();
        QCOMPARE(m_session->ui.messages.size(), 1);

        QTest::mouseClick(m_form->statusPanel(2), Qt::LeftButton);
        QCOMPARE(m_session->ui.openedUrls, QStringList{kWebSite});
    }

    void removableMediumGetsNoAdvice() {
        m_form->show();
        QVERIFY(m_session->ui.messages.isEmpty());
    }

    void dateGuardRefillsAnEmptiedDate() {
        m_form->show();
        m_program->inventory().controls().stockInDate->clear();
        QCOMPARE(m_program->inventory().controls().stockInDate->dateText(), kEmptyDateText);
        m_form->saleDate()->clear();
        QTRY_COMPARE_WITH_TIMEOUT(m_program->inventory().controls().stockInDate->dateText(), QStringLiteral("2024-03-05"), 1500);
        QCOMPARE(m_form->saleDate()->dateText(), QStringLiteral("2024-03-05"));
    }

    void successPromptHidesAfterTwoSecondsNotProlonged() {
        m_form->show();
        QLabel* prompt = m_form->successPrompt();
        m_form->showSuccessPrompt(QStringLiteral("数据入库成功..."));
        QVERIFY(prompt->isVisible());
        QCOMPARE(prompt->text(), QStringLiteral("数据入库成功..."));
        const int first = m_form->promptTimer()->remainingTime();
        QTest::qWait(300);
        m_form->showSuccessPrompt(QStringLiteral("销售数据保存成功..."));
        QCOMPARE(prompt->text(), QStringLiteral("销售数据保存成功..."));
        QVERIFY(m_form->promptTimer()->remainingTime() <= first - 200);  // not restarted
        QTRY_VERIFY_WITH_TIMEOUT(!prompt->isVisible(), 2500);
        QVERIFY(!m_form->promptTimer()->isActive());
    }

    void activateWindowCreatesOneAndBringsItBack() {
        ToolWindow::created = 0;
        ToolWindow* first = ActivateWindow<ToolWindow>(m_form.get());
        QVERIFY(first->isVisible());
        first->showMinimized();
        ToolWindow* second = ActivateWindow<ToolWindow>(m_form.get());
        QCOMPARE(second, first);
        QVERIFY(!second->isMinimized());
        second->hide();
        QCOMPARE(ActivateWindow<ToolWindow>(m_form.get()), first);
        QVERIFY(first->isVisible());
        QCOMPARE(ToolWindow::created, 1);
        first->close();  // destroyed when closed
        QTRY_VERIFY(m_form->findChildren<ToolWindow*>().isEmpty());
        ActivateWindow<ToolWindow>(m_form.get())->close();
        QCOMPARE(ToolWindow::created, 2);
    }

    void closingWritesTheLogoutOnlyWithALogin() {
        dm().connection().exec(QStringLiteral("Insert into rz (username,btime) values ('a','2024-03-05 08:00:00')"));
        m_form->show();
        m_form->close();
        QCOMPARE(rzCount(QStringLiteral("jtime is not null")), 0);  // id 0: nothing executed

        auto second = std::make_unique<MainWindow>();
        (new Program(*second, m_session->session()))->installUsers();
        second->setLoginEntryId(1);
        second->show();
        m_session->ui.setNow(QDateTime(QDate(2024, 3, 5), QTime(18, 2, 3)));
        second->close();
        QCOMPARE(rzCount(QStringLiteral("id=1 and jtime='2024-03-05 18:02:03'")), 1);
    }

    void helpAndAboutWindows() {
        HelpWindow help;
        QCOMPARE(help.windowTitle(), QStringLiteral("使用帮助"));
        const QStringList lines = help.findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n');
        QCOMPARE(lines.size(), 22);
        QCOMPARE(lines[0], QStringLiteral("1、入库："));
        QCOMPARE(lines[13], QString());
        QCOMPARE(lines[20], QStringLiteral("6、支持各种查询结果导出Excel和打印功能"));
        QCOMPARE(lines[21], QString());
        QVERIFY(help.findChild<QPlainTextEdit*>("Memo1")->isReadOnly());

        AboutWindow about;
        QCOMPARE(about.windowTitle(), QStringLiteral("关于软件..."));
        QCOMPARE(about.findChild<QLabel*>("Label1")->text(), QStringLiteral("《Tovrakel》"));
        QLabel* mail = about.findChild<QLabel*>("Label7");
        QCOMPARE(mail->toolTip(), QStringLiteral("Brenvik"));
        about.show();
        QTest::mouseClick(mail, Qt::LeftButton);
        QTest::mouseClick(about.findChild<QLabel*>("Label3"), Qt::LeftButton);
        QCOMPARE(m_session->ui.openedUrls, (QStringList{"mailto:" + kSupportMail, kWebSite}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
