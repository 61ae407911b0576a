#include "commandline.h"
#include "instanceguard.h"
#include "mainwindow.h"
#include "programfolder.h"
#include "programsettings.h"
#include "widgetprompt.h"

#include <QApplication>
#include <QDebug>
#include <QIcon>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    // The window closes into the tray, so a box closed there is the last visible window: the
    // program ends only through its own exits (退出 and the tray's 退出), which quit themselves.
    QApplication::setQuitOnLastWindowClosed(false);
    MainWindow::initResources();

    // A project named on the command line is relative to where the program was started.
    const QString startProject
        = projectPathFromArguments(QCoreApplication::arguments(), ProgramFolder::workingDir());
    // Started from elsewhere, the program still keeps its files beside itself.
    const ProgramFolder folder(QCoreApplication::applicationDirPath());
    if (!folder.enter())
        qWarning() << "cannot enter the program folder" << folder.programDir();

    WidgetPrompt prompt;
    WidgetFileChooser fileChooser;
    InstanceGuard guard;
    const QString settingsPath = folder.settingsFilePath();
    if (ProgramSettings::peekMode(settingsPath) == QLatin1String("0") && !guard.acquire()) {
        // Refused before any window exists, in the saved language.
        const QString language = ProgramSettings::peekLanguage(settingsPath);
        QTranslator translator;
        translator.load(ProgramSettings::translationResource(language));
        QApplication::installTranslator(&translator);
        QTranslator qtTranslator;
        if (ProgramSettings::loadQtTranslation(&qtTranslator, language))
            QApplication::installTranslator(&qtTranslator);
        prompt.warning(nullptr, QCoreApplication::translate("MainWindow", "提示"),
                       QCoreApplication::translate("MainWindow", "程序已在运行。"));
        return 1;
    }

    MainWindowServices services;
    services.prompt = &prompt;
    services.fileChooser = &fileChooser;
    services.folder = folder;
    services.instanceGuard = &guard;

    MainWindow window(services);
    window.setWindowIcon(QIcon(QStringLiteral(":/pic/mvlogo.png")));
    window.show();
    if (!startProject.isEmpty())
        window.openProjectFile(startProject);
    return app.exec();
}
