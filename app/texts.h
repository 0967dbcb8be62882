#pragma once
// Every text the program shows, and the names of its controls, as GBK bytes
// (code page 936). Each carries the text itself in a comment.
#include <string_view>

namespace ornivex::texts {

// Control names, as the form definitions give them.
inline constexpr std::string_view kChoosePictureButton = "\xB0\xB4\xC5\xA5" "1";  // 按钮1
inline constexpr std::string_view kCheckNewVersionButton = "\xB0\xB4\xC5\xA5" "2";  // 按钮2
inline constexpr std::string_view kAboutButton = "\xB0\xB4\xC5\xA5" "3";  // 按钮3
inline constexpr std::string_view kSaveResultButton = "\xB0\xB4\xC5\xA5" "4";  // 按钮4
inline constexpr std::string_view kPathBox = "\xB1\xE0\xBC\xAD\xBF\xF2" "1";  // 编辑框1
inline constexpr std::string_view kResultBox = "\xB1\xE0\xBC\xAD\xBF\xF2" "2";  // 编辑框2
inline constexpr std::string_view kGroupBox = "\xB7\xD6\xD7\xE9\xBF\xF2" "1";  // 分组框1
inline constexpr std::string_view kPictureDialog = "\xCD\xA8\xD3\xC3\xB6\xD4\xBB\xB0\xBF\xF2" "1";  // 通用对话框1
inline constexpr std::string_view kLogoBox = "\xCD\xBC\xC6\xAC\xBF\xF2" "1";  // 图片框1
inline constexpr std::string_view kChineseLabel = "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "1";  // 透明标签1
inline constexpr std::string_view kEnglishLabel = "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "2";  // 透明标签2
inline constexpr std::string_view kTranslationLabel = "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "3";  // 透明标签3

inline constexpr std::string_view kMainCaption = "Ornivex";  // Ornivex
inline constexpr std::string_view kGroupBoxText = "\xBB\xF9\xB4\xA1\xB2\xD9\xD7\xF7\xC7\xF8";  // 基础操作区
inline constexpr std::string_view kPathPrompt = "<------\xC7\xEB\xD1\xA1\xD4\xF1\xCD\xBC\xC6\xAC------>";  // <------请选择图片------>
inline constexpr std::string_view kChoosePictureText = "\xD1\xA1\xD4\xF1\xCD\xBC\xC6\xAC";  // 选择图片
// 图片文件（*.jpg;*.jpeg;*.png;*.bmp）|*.jpg;*.jpeg;*.png;*.bmp
inline constexpr std::string_view kPictureFilter =
    "\xCD\xBC\xC6\xAC\xCE\xC4\xBC\xFE\xA3\xA8*.jpg;*.jpeg;*.png;*.bmp\xA3\xA9|*.jpg;*.jpe"
    "g;*.png;*.bmp";
inline constexpr std::string_view kSaveResultText = "\xB1\xA3\xB4\xE6\xBD\xE1\xB9\xFB";  // 保存结果
inline constexpr std::string_view kAboutText = "\xB9\xD8\xD3\xDA\xC8\xED\xBC\xFE";  // 关于软件
inline constexpr std::string_view kCheckNewVersionText = "\xBC\xEC\xB2\xE9\xD0\xC2\xB0\xE6\xB1\xBE";  // 检查新版本
inline constexpr std::string_view kYaHeiFace = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";  // 微软雅黑
inline constexpr std::string_view kHybridFace = "YaHei Consolas Hybrid";  // YaHei Consolas Hybrid
inline constexpr std::string_view kVerdanaFace = "Verdana";  // Verdana
inline constexpr std::string_view kAboutCaption = "\xB9\xD8\xD3\xDA\xC8\xED\xBC\xFE";  // 关于软件
// Ornivex（以下简称本软件）基于“百度云”的大数据AI计算可以将常见的JPG/PNG/BMP等图片上面的文字转换…
inline constexpr std::string_view kAboutChinese =
    "Ornivex\xA3\xA8\xD2\xD4\xCF\xC2\xBC\xF2\xB3\xC6\xB1\xBE\xC8\xED\xBC\xFE\xA3\xA9\xBB\xF9"
    "\xD3\xDA\xA1\xB0\xB0\xD9\xB6\xC8\xD4\xC6\xA1\xB1\xB5\xC4\xB4\xF3\xCA\xFD\xBE\xDD" "A"
    "I\xBC\xC6\xCB\xE3\xBF\xC9\xD2\xD4\xBD\xAB\xB3\xA3\xBC\xFB\xB5\xC4JPG/PNG/BMP\xB5\xC8"
    "\xCD\xBC\xC6\xAC\xC9\xCF\xC3\xE6\xB5\xC4\xCE\xC4\xD7\xD6\xD7\xAA\xBB\xBB\xCE\xAA\xBF"
    "\xC9\xB1\xE0\xBC\xAD\xB5\xC4\xCE\xC4\xD7\xD6\xA3\xA8\xC4\xBF\xC7\xB0\xBD\xF6\xD6\xA7"
    "\xB3\xD6\xD6\xD0\xCE\xC4\xBC\xB0\xBC\xF2\xB5\xA5\xB5\xC4\xD3\xA2\xCE\xC4\xA3\xA9\xA3"
    "\xAC\xB1\xBE\xC8\xED\xBC\xFE\xD3\xC0\xBE\xC3\xC3\xE2\xB7\xD1\xA3\xA1\r\n\xCA\xD7\xB7"
    "\xA2\xC6\xBD\xCC\xA8\xA1\xAA\xA1\xAA\xD0\xC7\xC7\xC5\xC2\xDB\xCC\xB3\xA3\xA1";
// Ornivex (hereinafter referred to as the software) based on…
inline constexpr std::string_view kAboutEnglish =
    "Ornivex (hereinafter referred to as the software) based on \"Baidu cloud\" big data "
    "AI calculations can be common JPG / PNG / BMP and other pictures above text into edi"
    "table text (currently only supports Chinese and simple English) , This software is p"
    "ermanently free!\r\nStarting platform - Xingqiao Forum!";
// 蹩脚的英文不怪我，来自谷歌翻译。╮(╯▽╰)╭
inline constexpr std::string_view kAboutTranslationNote =
    "\xF5\xBF\xBD\xC5\xB5\xC4\xD3\xA2\xCE\xC4\xB2\xBB\xB9\xD6\xCE\xD2\xA3\xAC\xC0\xB4\xD7"
    "\xD4\xB9\xC8\xB8\xE8\xB7\xAD\xD2\xEB\xA1\xA3\xA8r(\xA8s\xA8\x8C\xA8t)\xA8q";
// 让我给你保存一个空文件吗?/(ㄒoㄒ)/~~
inline constexpr std::string_view kEmptyResultText =
    "\xC8\xC3\xCE\xD2\xB8\xF8\xC4\xE3\xB1\xA3\xB4\xE6\xD2\xBB\xB8\xF6\xBF\xD5\xCE\xC4\xBC"
    "\xFE\xC2\xF0?/(\xA8\xD2o\xA8\xD2)/~~";
inline constexpr std::string_view kEmptyResultCaption = "(\xA9V\xA6\xE4\xA9V??\xA1\xEE)";  // (￢︿￢??☆)
inline constexpr std::string_view kSavedTextPrefix = "\xCE\xC4\xBC\xFE\xD2\xD1\xBE\xAD\xB1\xA3\xB4\xE6\xB5\xBD\xD7\xC0\xC3\xE6\xA1\xAA\xA1\xAA";  // 文件已经保存到桌面——
inline constexpr std::string_view kSavedCaption = "\xCC\xE1\xCA\xBE";  // 提示
inline constexpr std::string_view kSaveFailedText = "\xB1\xA3\xB4\xE6\xCE\xC4\xBC\xFE\xCA\xA7\xB0\xDC\xA3\xA1";  // 保存文件失败！
inline constexpr std::string_view kSaveFailedCaption = "Error";  // Error

}  // namespace ornivex::texts
