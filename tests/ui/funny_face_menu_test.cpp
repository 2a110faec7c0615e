// The "Funny face" menu: its items, the search off the window's thread with
// the faces outlined before the change, one Undo for the whole preset, the
// shortcut that applies the last preset again, and the message for a
// picture without a face. The portrait comes from python3-skimage, fetched
// by the face tests' fixture.
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>
#include <filesystem>

#include "io/picture_files.h"
#include "ui/funny_face_menu.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

std::string astronautPath() { return std::string(JOLLIX_PORTRAITS) + "/astronaut.png"; }

}  // namespace

class FunnyFaceMenuTest : public QObject {
    Q_OBJECT

    static Picture astronaut() { return loadPictureFile(astronautPath()); }

private slots:
    void menuListsEveryPresetThenAgain() {
        Program p;
        FunnyFaceMenu* faces = p.form->funnyFaceMenu();
        QVERIFY(faces);
        QStringList captions;
        for (QAction* a : faces->menu()->actions())
            if (!a->isSeparator()) captions << a->text();
        QStringList expected;
        for (const FacePreset& preset : facePresets()) expected << QString::fromUtf8(preset.caption);
        expected << QStringLiteral("Again");
        QCOMPARE(captions, expected);
        QCOMPARE(faces->againAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QVERIFY(!faces->againAction()->isEnabled());  // nothing to repeat yet
        // The tool bar has no button for it.
        for (QAction* a : p.form->findChild<QToolBar*>(QStringLiteral("ToolBar1"))->actions())
            QVERIFY(!a->text().contains(QStringLiteral("face"), Qt::CaseInsensitive));
    }

    void presetIsOutlinedThenAppliedAsOneStep() {
        if (!std::filesystem::exists(astronautPath()))
            QSKIP("the portrait from python3-skimage is not there (fixture faces_fetch_portraits)");
        Program p(astronaut());
        const Picture before = p.editor->picture();
        FunnyFaceMenu* faces = p.form->funnyFaceMenu();
        QSignalSpy done(faces, &FunnyFaceMenu::done);

        // The item starts the search and returns at once; the window goes on.
        QElapsedTimer clock;
        clock.start();
        faces->presetActions().front()->trigger();  // "Big eyes"
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(faces->busy());
        QCOMPARE(p.editor->picture(), before);
        // The faces are outlined before the picture changes.
        QTRY_VERIFY_WITH_TIMEOUT(!faces->outlinedFaces().empty(), 10000);
        QCOMPARE(faces->outlinedFaces().size(), size_t(1));
        QCOMPARE(p.editor->picture(), before);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        QVERIFY(faces->outlinedFaces().empty());
        QVERIFY(p.errors.isEmpty());

        Editor direct(before);
        direct.applyFacePreset(*facePresetNamed("bigeyes"), findFaces(before));
        QCOMPARE(p.editor->picture(), direct.picture());
        QCOMPARE(p.editor->history().undoDepth(), 1);
        QVERIFY(p.form->commands.undo.menuItem->isEnabled());

        // Again (its shortcut): the same preset once more, a second step.
        QVERIFY(faces->againAction()->isEnabled());
        QVERIFY(faces->againAction()->text().endsWith(QStringLiteral("Big eyes")));
        const Picture once = p.editor->picture();
        faces->againAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 10000);
        QCOMPARE(p.editor->history().undoDepth(), 2);
        QVERIFY(p.editor->picture() != once);

        p.form->undo();
        QCOMPARE(p.editor->picture(), once);
        p.form->undo();
        QCOMPARE(p.editor->picture(), before);
    }

    void pictureWithoutAFaceGivesTheMessage() {
        Program p(patterned(400, 300));
        const Picture before = p.editor->picture();
        FunnyFaceMenu* faces = p.form->funnyFaceMenu();
        QSignalSpy done(faces, &FunnyFaceMenu::done);
        faces->apply(*facePresetNamed("alien"));
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        QCOMPARE(p.errors, QStringList{QString::fromUtf8(kNoFaceFound)});
        QCOMPARE(p.editor->picture(), before);
        QVERIFY(!p.editor->history().undoEnabled());
    }

    void closingDuringTheSearchWaitsForIt() {
        Program p(patterned(1600, 1200));
        p.form->funnyFaceMenu()->apply(*facePresetNamed("bignose"));
        // The window goes while the worker still looks: nothing is left running.
    }
};

QTEST_MAIN(FunnyFaceMenuTest)
#include "funny_face_menu_test.moc"
