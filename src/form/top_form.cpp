#include "form/top_form.h"

namespace zt4 {

const char* const TopForm::kInstruction =
    "[ファイル]メニューもしくはファイル選択ボタンでMP3ファイルを選択し、再生ボタンを押して下さい。";

namespace {

const Rgb kFormGreen{0, 64, 0};
const Rgb kSystemFace{240, 240, 240};

Control make(const std::string& name, ControlKind kind, const std::string& caption, float left,
             float top, float width, float height) {
    Control c;
    c.Name = name;
    c.Kind = kind;
    c.Caption = caption;
    c.Left = left;
    c.Top = top;
    c.Width = width;
    c.Height = height;
    if (kind != ControlKind::Label && kind != ControlKind::CheckBox) {
        c.BackColor = kSystemFace;
    }
    return c;
}

Control label(const std::string& name, const std::string& caption, float left, float top,
              float width, float height, Rgb fore) {
    Control c = make(name, ControlKind::Label, caption, left, top, width, height);
    c.Transparent = true;
    c.ForeColor = fore;
    return c;
}

Control button(const std::string& name, const std::string& caption, float left, float top,
               float width, float height) {
    return make(name, ControlKind::CommandButton, caption, left, top, width, height);
}

Control picture(const std::string& name, const std::string& accessible, Picture pic, int pw, int ph,
                float left, float width) {
    Control c = make(name, ControlKind::PictureButton, "", left, 7560, width, 615);
    c.Pic = pic;
    c.PicWidth = pw;
    c.PicHeight = ph;
    c.AccessibleName = accessible;
    return c;
}

FontSpec font(double size, int weight) {
    FontSpec f;
    f.Size = size;
    f.Weight = weight;
    return f;
}

std::string indexed(const char* group, int i) {
    return std::string(group) + "(" + std::to_string(i) + ")";
}

} // namespace

TopForm::TopForm() {
    Label1 = label("Label1", kInstruction, 600, 360, 3855, 1335, {255, 0, 0});
    Label1.Font = font(12, 700);
    Label1.WordWrap = true;
    Label2 = label("Label2", "曲番指定", 5880, 360, 855, 375, {0, 255, 0});

    Text1 = make("Text1", ControlKind::TextBox, "", 6000, 600, 495, 375);
    Text1.Font = font(14.25, 400);
    Text1.BackColor = {255, 255, 255};
    Text1.MaxLength = 2;
    Text1.AccessibleName = Label2.Caption;

    const char* const modes[kRepeatOptions] = {"全曲リピート", "１曲リピート", "リピートしない"};
    for (int i = 0; i < kRepeatOptions; ++i) {
        const float top = 120 + 360 * i;
        RepeatOption[i] =
            make(indexed("RepeatOption", i), ControlKind::OptionButton, "", 7080, top, 255, 255);
        RepeatOption[i].ForeColor = {0, 255, 255};
        ROLabel[i] = label(indexed("ROLabel", i), modes[i], 7320, top, 1575, 375, {0, 0, 0});
        ROLabel[i].Font = font(11.25, 700);
        RepeatOption[i].AccessibleName = modes[i];
    }
    RepeatOption[2].Value = 1;

    Labelmin = label("Labelmin", "0", 6120, 6000, 255, 495, {255, 255, 255});
    Labelmin.Font = font(12, 400);
    Colon = label("Colon", ":", 6480, 6000, 495, 495, {255, 255, 255});
    Colon.Font = font(12, 700);
    Labelsec[1] = label("Labelsec(1)", "0", 6720, 6000, 375, 495, {255, 255, 255});
    Labelsec[1].Font = Labelmin.Font;
    Labelsec[0] = label("Labelsec(0)", "0", 7200, 6000, 495, 495, {255, 255, 255});
    Labelsec[0].Font = Labelmin.Font;

    FileAdd = button("FileAdd", "ファイル選択", 240, 6120, 975, 735);
    FileAdd.Font = font(9, 700);
    Sakujo = button("Sakujo", "削除", 1440, 6120, 735, 615);
    LeftSide = button("LeftSide", "小", 2400, 6240, 255, 255);
    LeftSide.Font = font(5.25, 700);

    Line2.Name = "Line2";
    Line2.X1 = 2640;
    Line2.Y1 = 6360;
    Line2.X2 = 6120;
    Line2.Y2 = 6360;
    Line2.Color = {128, 128, 128};
    Line2.PixelWidth = 2;

    Volumeanalyze = make("Volumeanalyze", ControlKind::Label, "", 3960, 6240, 135, 255);
    Volumeanalyze.BackColor = {0, 0, 0};
    Volumeanalyze1 = make("Volumeanalyze1", ControlKind::Label, "", 3960, 6240, 135, 255);
    Volumeanalyze1.Transparent = true;
    Volumeanalyze1.AccessibleName = "音量";

    RightSide = button("RightSide", "大", 6120, 6240, 255, 255);
    FileReset = button("FileReset", "リセット", 7320, 6360, 855, 495);

    MusicBack = picture("MusicBack", "戻る", Picture::Back, 45, 35, 1440, 855);
    MusicStop = picture("MusicStop", "停止", Picture::Stop, 36, 40, 2520, 1335);
    MusicFoward = picture("MusicFoward", "次へ", Picture::Forward, 45, 35, 4200, 855);
    MusicStart = picture("MusicStart", "再生", Picture::Start, 32, 35, 5520, 1215);
    MusicStart.Enabled = false;
    MusicPause = picture("MusicPause", "一時停止", Picture::Pause, 36, 40, 7080, 735);

    Line1.Name = "Line1";
    Line1.X2 = 1000000;
    Line1.SystemShadowColor = true;

    // Only row 0 carries a design position; the load step lays out the others from it.
    for (int i = 0; i < kRows; ++i) {
        SakujoCheck[i] = make(indexed("SakujoCheck", i), ControlKind::CheckBox, "", 0, 0, 255, 255);
        SakujoCheck[i].BackColor = kFormGreen;
        Startm[i] = label(indexed("Startm", i), "", 0, 0, 495, 255, {255, 0, 0});
        Startm[i].Font = font(9, 700);
        mpath[i] = make(indexed("mpath", i), ControlKind::Label, "", 0, 0, 6975, 255);
        mpath[i].BackColor = {0, 0, 64};
        mpath[i].ForeColor = {255, 255, 0};
        mpath[i].Font = font(9, 400);
    }
    mpath[0].Left = 840;
    mpath[0].Top = 1200;
    Startm[0].Left = 600;
    Startm[0].Top = 1200;
    SakujoCheck[0].Top = 1200;

    file = {"file", "ファイル"};
    MusicFileopen = {"MusicFileopen", "MP3ファイルを開く"};
    kugiri = {"kugiri", "-"};
    exit = {"exit", "終了"};
    help = {"help", "ヘルプ"};
    faq = {"faq", "FAQ"};
    version = {"version", "バージョン情報"};

    Timer1 = {"Timer1", 950, false};
    Timer2 = {"Timer2", 1, true};
    RepeatTimer = {"RepeatTimer", 1, false};
    MusicBackTimer = {"MusicBackTimer", 1, false};
    MDrugTimer = {"MDrugTimer", 1, false};
}

std::string TopForm::accessibleName(const Control& c) const {
    // Compared for equality only: ordering pointers into different objects means nothing.
    std::size_t row = 0;
    while (row < SakujoCheck.size() && &c != &SakujoCheck[row])
        ++row;
    if (row == SakujoCheck.size())
        return c.AccessibleName;
    const std::string number = std::to_string(row + 1);
    // The row's caption is "★n★" + the file name; the reader gets the name alone.
    const std::string& caption = mpath[row].Caption;
    const std::string prefix = "★" + number + "★";
    if (caption.compare(0, prefix.size(), prefix) != 0 || caption.size() == prefix.size())
        return number + " 曲目を削除に選ぶ";
    return number + " 曲目 " + caption.substr(prefix.size()) + " を削除に選ぶ";
}

void TopForm::showMark(int slot) {
    for (int i = 0; i < kRows; ++i)
        Startm[i].Caption = i == slot ? "●" : "";
    markedSlot_ = slot >= 0 && slot < kRows ? slot : -1;
}

void TopForm::clearMark(int slot) {
    if (slot < 0 || slot >= kRows)
        return;
    Startm[slot].Caption = "";
    if (markedSlot_ == slot)
        markedSlot_ = -1;
}

void TopForm::clearEveryMark() {
    for (Control& mark : Startm)
        mark.Caption = "";
    markedSlot_ = -1;
}

int TopForm::selectedRepeatOption() const {
    for (int i = 0; i < kRepeatOptions; ++i) {
        if (isRepeatSelected(i))
            return i;
    }
    return -1;
}

void TopForm::selectRepeatOption(int index) {
    for (int i = 0; i < kRepeatOptions; ++i)
        RepeatOption[i].Value = i == index ? 1 : 0;
}

} // namespace zt4
