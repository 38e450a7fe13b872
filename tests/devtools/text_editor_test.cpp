// The text editor dialog: loading, the question on closing, saving with
// CR LF line ends, a missing or unwritable file, and its placement.
#include <gtest/gtest.h>

#include <memory>

#include <QDialog>
#include <QDir>
#include <QPlainTextEdit>
#include <QToolButton>

#include "devtools/text_editor.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/settings_store.h"

namespace {

class TextEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Boxes::Clear();
    Dialogs::Clear();
    Modals::Clear();
    Glb = rig_.glb.get();
    rig_.glb->ProgramDir = dir_.Path() + "/";
    store_ = std::make_unique<SettingsStore>(dir_.File("registry.ini"));
    rig_.glb->Registry = store_.get();
  }
  void TearDown() override {
    Glb = nullptr;
    Boxes::Clear();
    Modals::Clear();
  }
  QString Readme() const { return dir_.File("Readme.txt"); }
  QByteArray Read(const QString& path) {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(path, &data));
    return data;
  }
  // Runs the "Readme" editor as the menu does; script acts on the open window.
  void RunReadme(std::function<void(TFormTextEdit&)> script) {
    Modals::OnNext([script](QDialog* dialog) { script(*static_cast<TFormTextEdit*>(dialog)); });
    OpenFormTextEdit();
    ASSERT_EQ(Modals::Shown().size(), 1u);
    EXPECT_EQ(Modals::Shown()[0], "FormTextEdit");
  }
  std::vector<Text> Questions() const {
    std::vector<Text> out;
    for (const BoxRequest& b : Boxes::Shown())
      if (b.kind == BoxKind::Question) out.push_back(b.message);
    return out;
  }

  SimRig rig_;
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
};

TEST_F(TextEditorTest, OpensTheReadmeWithItsLinesAndCaption) {
  ASSERT_TRUE(WriteWholeFile(Readme(), "Zeile 1\r\nGr\xF6\xDF" "e\r\n"));
  RunReadme([&](TFormTextEdit& editor) {
    EXPECT_EQ(editor.windowTitle(), "EDITOR : " + Readme());
    EXPECT_EQ(editor.memotext->toPlainText(), QString::fromUtf8("Zeile 1\nGr\u00F6\u00DFe"));
    EXPECT_FALSE(editor.Modified());
    EXPECT_TRUE(editor.isModal());
    EXPECT_EQ(editor.memotext->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_NE(editor.findChild<QToolButton*>("RxSpExit"), nullptr);
  });
  EXPECT_TRUE(Boxes::Shown().empty());  // closing without changes asks nothing
  EXPECT_TRUE(store_->ValueExists("Software\\ORX\\TQN\\Textedit", "NormPos"));
}

TEST_F(TextEditorTest, AMissingReadmeOpensEmptyAndYesCreatesIt) {
  RunReadme([&](TFormTextEdit& editor) {
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
    EXPECT_EQ(Boxes::Shown()[0].message, "Datei " + FromQt(Readme()) + " nicht gefunden");
    EXPECT_TRUE(editor.memotext->toPlainText().isEmpty());
    editor.memotext->insertPlainText(QString::fromUtf8("Erste Zeile \u20AC"));
    Boxes::AnswerNext(true);
    editor.RxSpExit->click();
    EXPECT_FALSE(editor.isVisible());
  });
  EXPECT_EQ(Questions(), std::vector<Text>({"Datei speichern ?"}));
  EXPECT_EQ(Read(Readme()), "Erste Zeile \x80\r\n");
}

TEST_F(TextEditorTest, NoLeavesTheFileAsItWas) {
  ASSERT_TRUE(WriteWholeFile(Readme(), "alt\nohne CR"));
  RunReadme([&](TFormTextEdit& editor) {
    editor.memotext->appendPlainText("neu");
    Boxes::AnswerNext(false);
    editor.close();
    EXPECT_FALSE(editor.isVisible());
  });
  EXPECT_EQ(Questions().size(), 1u);
  EXPECT_EQ(Read(Readme()), "alt\nohne CR");
}

TEST_F(TextEditorTest, SavingWritesEveryLineWithCrLf) {
  ASSERT_TRUE(WriteWholeFile(Readme(), "a\nb\rc\r\n\r\nd"));
  RunReadme([&](TFormTextEdit& editor) {
    EXPECT_EQ(editor.memotext->toPlainText(), "a\nb\nc\n\nd");
    editor.memotext->appendPlainText("e");
    Boxes::AnswerNext(true);
    editor.reject();  // Escape
  });
  EXPECT_EQ(Read(Readme()), "a\r\nb\r\nc\r\n\r\nd\r\ne\r\n");
}

TEST_F(TextEditorTest, AFailedSaveKeepsTheEditorAndItsText) {
  ASSERT_TRUE(WriteWholeFile(Readme(), "alt\r\n"));
  RunReadme([&](TFormTextEdit& editor) {
    editor.memotext->appendPlainText("neu");
    Boxes::AnswerNext(true);
    const WriteFaultHook previous = SetWriteFaultHook([](const QString&) { return qint64{2}; });
    editor.close();
    SetWriteFaultHook(previous);
    EXPECT_TRUE(editor.isVisible());
    EXPECT_TRUE(editor.Modified());
    EXPECT_EQ(Read(Readme()), "alt\r\n");
    EXPECT_EQ(editor.memotext->toPlainText(), "alt\nneu");
    ASSERT_EQ(Boxes::Shown().size(), 2u);
    EXPECT_EQ(Boxes::Shown()[1].kind, BoxKind::Error);
    // A second try that works closes it.
    Boxes::AnswerNext(true);
    editor.close();
    EXPECT_FALSE(editor.isVisible());
  });
  EXPECT_EQ(Read(Readme()), "alt\r\nneu\r\n");
}

}  // namespace
