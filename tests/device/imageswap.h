#pragma once

// What a user does to an upload's image while the bar moves, on either channel: chooses image B
// through the file button, types into the path field, and image A is rewritten on disk as B or
// removed. Given as PausedInput steps, so that it lands where real input does.
#include "firmwaretesting.h"
#include "pausedinput.h"
#include "recordingprompt.h"
#include "ui_mainwindow.h"

#include <QTemporaryDir>

class ImageSwap
{
public:
    // Image A of the given size in folder, named in the path field of the APP or OS image.
    ImageSwap(Ui::MainWindow *ui, bool app, qint64 size, const QTemporaryDir &folder)
        : field(app ? ui->filepath : ui->filepath_vexmar)
        , choose(app ? ui->pb_openfile : ui->pb_openfile_vexmar)
        , bar(app ? ui->progressBar : ui->progressBar_vexmar)
        , size(size)
        , image(imageBytes(size))
        , path(folder.filePath(QStringLiteral("A.bin")))
        , other(folder.filePath(QStringLiteral("B.bin")))
    {
        ready = writeImage(path, image) && writeImage(other, QByteArray(int(size), 'B'));
        field->setText(path);
    }

    // Once a quarter of the image has gone; the file dialog would answer B were it opened.
    void addTo(PausedInput &input, ScriptedFileChooser *chooser, bool removeFile)
    {
        chooser->answers << other;
        input.step([this] { return bar->value() >= size / 4; },
                   [this, removeFile] {
                       lockedDuring = !choose->isEnabled() && !field->isEnabled();
                       QTest::mouseClick(choose, Qt::LeftButton);
                       field->setFocus();
                       QTest::keyClick(field, Qt::Key_End);
                       QTest::keyClicks(field, "x");
                       diskChanged = removeFile ? QFile::remove(path)
                                                : writeImage(path, QByteArray(int(size), 'B'));
                   });
    }

    // Nothing of it reached the page: the dialog never opened, the field still names A, and
    // the controls, locked while it ran, are free again.
    void verifyRefused(ScriptedFileChooser *chooser) const
    {
        QVERIFY(lockedDuring);
        QVERIFY(diskChanged);
        QCOMPARE(chooser->calls, QStringList());
        chooser->answers.clear();
        QCOMPARE(field->text(), path);
        QVERIFY(choose->isEnabled());
        QVERIFY(field->isEnabled());
    }

    QLineEdit *field;
    QPushButton *choose;
    QProgressBar *bar;
    qint64 size;
    QByteArray image;
    QString path;
    QString other;
    bool ready = false;
    bool lockedDuring = false;
    bool diskChanged = false;
};
