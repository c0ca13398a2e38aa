#include "Form2.h"

#include <QStringList>

namespace corvane::secondary {

// Each line is at most 50 bytes in code page 936 (a full-width character is
// two bytes); the paragraphs are broken by hand at exactly 50 bytes so that
// a line fills the text box's width. Keep that when editing.
QString helpText()
{
    static const char* const kLines[] = {
            "==================================================",
            ":::::::::::::::::::::Corvane 5::::::::::::::::::::",
            "==================================================",
            ">>>Corvane 5X新特性",
            "　　本版本播放时仍然采用DirectX 9 技术，以获得高质",
            "量的画面，因此需要一块高端的显卡。新版本可以轻松地",
            "播放Flash 动画，常用的播放控制按钮对动画同样有效。",
            "不过目前对Flash 的支持还只是基本的：位置滑块还不能",
            "与Flash 的播放联系起来，播放其他文件时拖动滑块也不",
            "起作用。对此深表歉意，我会继续寻找实现的办法，也希",
            "望用户能提供相关的资料，谢谢大家！",
            "",
            ">>>Corvane 5.1修改资料",
            "　　修正了在选择文件时任何一种格式都显示不出文件的",
            "错误；修正了播放控制按钮上的图片大小不一的问题；更",
            "换了背景颜色，对界面作了进一步的美化。",
            "",
            ">>>Corvane 5X使用方法",
            "　　打开文件的方法恢复为“Corvane 3X”的方式：单击",
            "按钮，例如单击“[视频]”按钮，就会列出相应的文件类",
            "型，找到文件后打开即可。播放、暂停、停止、快进、快",
            "退都是常用的功能，这里就不多作说明了。",
            "==================================================",
            "如果对本程序还发现了什么错误，请通知我，谢谢！",
            "==================================================",
            "作者：Corvane项目组",
            "地址：示例市样例区虚构路12号",
            "邮编：000000",
            "电话：(0000)00000000",
            "邮箱：cv@example.org",
            "即时通讯：00000000",
            "学校：示例职业学院",
            "班级：软件示例班",
    };
    QString text;
    for (const char* line : kLines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}

}  // namespace corvane::secondary
