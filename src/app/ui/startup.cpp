#include "app/ui/startup.h"

#include "app/ui/about_window.h"
#include "app/ui/english_captions.h"
#include "app/ui/help_window.h"
#include "app/ui/install_updater.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "app/ui/program_pictures.h"
#include "app/ui/qt_ui_services.h"
#include "app/ui/screenshot_mode.h"
#include "app/ui/skins.h"
#include "maintenance/backup.h"
#include "store/data_module.h"
#include "store/server_engine.h"
#include "store/settings.h"
#include "store/store_error.h"
#include "users/ui/login_window.h"
#include "users/ui/session.h"
#include "widgets/ui_services.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOptionToolButton>
#include <QStandardPaths>
#include <QToolTip>
#include <QTranslator>
#include <memory>

namespace {

// The program's look over the platform's: hints appear at once and stay two seconds, and the big
// tool buttons with a menu draw no arrow, which their four-character captions leave no room for
// (the skins hide it the same way).
class ProgramStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        if (control == CC_ToolButton) {
            if (const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
                button && button->toolButtonStyle == Qt::ToolButtonTextUnderIcon &&
                (button->features & QStyleOptionToolButton::HasMenu) &&
                !(button->features & QStyleOptionToolButton::MenuButtonPopup)) {
                QStyleOptionToolButton withoutArrow = *button;
                withoutArrow.features &= ~QStyleOptionToolButton::HasMenu;
                QProxyStyle::drawComplexControl(control, &withoutArrow, painter, widget);
                return;
            }
        }
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 0;
        if (hint == SH_ToolTip_FallAsleepDelay)
            return 2000;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

bool askToCreateDatabase(const QString& folder) {
    const auto answer = showMessage(
        nullptr, QApplication::applicationName(),
        QStringLiteral("在文件夹 %1 中没有找到数据库文件 data.mdb，是否在这里新建一个空数据库？")
            .arg(QDir::toNativeSeparators(QDir(folder).absolutePath())),
        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

}  // namespace

bool openDataModule(const QString& workdir) {
    const QString dbPath = QDir(workdir).filePath(Database::kFileName);
    if (!QFileInfo::exists(dbPath)) {
        if (!askToCreateDatabase(workdir))
            return false;
        if (!runAction(nullptr, [&] { Database::create(dbPath); }))
            return false;
    }
    return runAction(nullptr, [&] {
        LedgerData::create(workdir);
        holdDatabaseWhileRunning(dm().databasePath());  // a restore from elsewhere then refuses this ledger
    });
}

bool openServerLedger(const QString& uri) {
    QString password;
    for (;;) {
        try {
            LedgerData::createOnServer(uri, password);
            return true;
        } catch (const ServerPasswordNeeded& e) {
            // Asked for this run only: a password is never written to the settings.
            password = ui().password(nullptr, e.message() + QStringLiteral("\n请输入密码："));
            if (password.isEmpty())
                return false;
        } catch (const StoreError& e) {
            password.clear();
            const auto answer = showMessage(nullptr, QApplication::applicationName(), e.message(),
                                            QMessageBox::Critical, QMessageBox::Retry | QMessageBox::Close,
                                            QMessageBox::Retry);
            if (answer != QMessageBox::Retry)
                return false;
        }
    }
}

QString ledgerDescription(const LedgerData& ledger) {
    return ledger.isOnServer() ? QStringLiteral("数据库服务器：") + ServerEngine::describe(ledger.address())
                               : QStringLiteral("数据文件：") + QDir::toNativeSeparators(ledger.databasePath());
}

QString defaultWorkdir() {
    // A folder that holds a ledger is where the shop keeps it; any other folder the program happens
    // to be started in (a menu starts it in the home folder, a terminal anywhere) is not.
    const QString cwd = QDir::currentPath();
    if (QFileInfo::exists(QDir(cwd).filePath(Database::kFileName)))
        return cwd;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString resolveFolder(const QString& given) { return QDir::cleanPath(QDir::current().absoluteFilePath(given)); }

StartOptions parseStartOptions(const QStringList& arguments) {
    StartOptions options;
    options.workdir = defaultWorkdir();
    options.database = configuredServerLedger();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--workdir") && i + 1 < arguments.size())
            options.workdir = resolveFolder(arguments[++i]);
        else if (arguments[i] == QLatin1String("--database") && i + 1 < arguments.size())
            options.database = arguments[++i].trimmed();
        else if (arguments[i] == QLatin1String("--english"))
            options.english = true;
        else if (arguments[i] == QLatin1String("--screenshot") && i + 1 < arguments.size())
            options.screenshotDir = resolveFolder(arguments[++i]);
        else if (arguments[i] == QLatin1String("--window") && i + 1 < arguments.size())
            options.screenshotWindows << arguments[++i];
        else if (arguments[i] == QLatin1String("--update-url") && i + 1 < arguments.size())
            options.updateUrl = arguments[++i];
        else if (arguments[i] == QLatin1String("--receipt-pdf") && i + 1 < arguments.size())
            options.receiptPdf = resolveFolder(arguments[++i]);
    }
    return options;
}

QStyle* createProgramStyle() { return new ProgramStyle; }

QIcon applicationIcon() { return programPicture(QStringLiteral("tovrakel.svg")); }

QTranslator* installQtTranslations(bool english) {
    if (english)
        return nullptr;
    auto translator = std::make_unique<QTranslator>(qApp);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator.release();
}

void installChineseFonts() {
    const QStringList families = QFontDatabase::families();
    auto first = [&](const QStringList& wanted) {
        for (const QString& f : wanted)
            if (families.contains(f))
                return f;
        return QString();
    };
    const QString serif = first({QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                                 QStringLiteral("Noto Sans CJK SC")});
    const QString sans = first({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"), serif});
    if (!serif.isEmpty()) {
        QFont::insertSubstitution(QStringLiteral("宋体"), serif);
        QFont::insertSubstitution(QStringLiteral("SimSun"), serif);
    }
    if (!sans.isEmpty()) {
        QFont font(sans);
        font.setPixelSize(12);
        QApplication::setFont(font);
    }
}

int runProgram(int argc, char* argv[], std::function<void(LoginWindow&)> showLogin) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrakel"));
    QApplication::setApplicationVersion(QStringLiteral(TOVRAKEL_VERSION));
    QApplication::setStyle(createProgramStyle());
    QApplication::setWindowIcon(applicationIcon());
    installChineseFonts();
    QPalette hints = QToolTip::palette();
    hints.setColor(QPalette::ToolTipBase, QColor(255, 194, 134));
    hints.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(hints);

    const StartOptions options = parseStartOptions(app.arguments());
    installQtTranslations(options.english);
    QtUiServices desktop;
    AutoAnswerUiServices unattended;
    setUiServices(options.screenshotDir.isEmpty() ? static_cast<UiServices*>(&desktop) : &unattended);
    QDir().mkpath(options.workdir);
    QDir::setCurrent(options.workdir);

    // The windows in their order; the data module opens the database before any is shown.
    Session session;
    MainWindow mainForm;
    auto* program = new Program(mainForm, session);  // the inventory and the sale panel
    HelpWindow help(&mainForm);
    installSkins(mainForm);
    installEnglishCaptions(mainForm, options.english);
    LoginWindow* login = program->installUsers();
    if (showLogin)
        login->setRunner(std::move(showLogin));
    if (!(options.database.isEmpty() ? openDataModule(options.workdir) : openServerLedger(options.database)))
        return 0;
    mainForm.showLedger(ledgerDescription(dm()));
    program->followLedger(dm().connection());
    AboutWindow about(&mainForm);
    program->installSalesRecords();
    // The Excel import window follows the product summary window; the backup window is made on
    // first use by its tool button.
    program->installExcelImport();
    program->installBackup();
    program->installGridExport();
    program->installPrinting(options.receiptPdf);  // the notes, the POS panel, the grid prints
    about.setLedger(ledgerDescription(dm()));

    const MainActions& actions = mainForm.actions();
    actions.help->setEnabled(true);
    QObject::connect(actions.help, &QAction::triggered, &help, [&help] {
        help.show();
        help.raise();
    });
    actions.about->setEnabled(true);
    QObject::connect(actions.about, &QAction::triggered, &about, [&about] { about.exec(); });

    installUpdater(mainForm, options);
    if (!TOVRAKEL_SELF_UPDATE) {
        if (QAction* a = actions.autoUpgrade) {
            a->setEnabled(true);
            QObject::connect(a, &QAction::triggered, &mainForm, [&mainForm] {
                showInfo(&mainForm, QStringLiteral("本程序由系统的软件包管理器更新，请用软件包管理器（例如 apt）升级 tovrakel。"));
            });
        }
    }
    if (!options.screenshotDir.isEmpty())
        scheduleScreenshots(options.screenshotDir, options.screenshotWindows);
    mainForm.show();
    const int rc = app.exec();
    LedgerData::reset();
    setUiServices(nullptr);
    return rc;
}
