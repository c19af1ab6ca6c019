#pragma once

// The location identifiers that error reports name, one per trapping procedure.
namespace pf::loc {
inline constexpr const char* kFormLoad = "Velltrane2021/08/31.Form1.Form_Load";
inline constexpr const char* kPushButton1Click = "Velltrane2021/08/31.Form1.PushButton1_Click";
inline constexpr const char* kPushButton2Click = "Velltrane2021/08/31.Form1.PushButton2_Click";
inline constexpr const char* kPushButton3Click = "Velltrane2021/08/31.Form1.PushButton3_Click";
inline constexpr const char* kPushButton4Click = "Velltrane2021/08/31.Form1.PushButton4_Click";
inline constexpr const char* kPushButton5Click = "Velltrane2021/08/31.Form1.PushButton5_Click";
inline constexpr const char* kPushButton6Click = "Velltrane2021/08/31.Form1.PushButton6_Click";
inline constexpr const char* kPushButton7Click = "Velltrane2021/08/31.Form1.PushButton7_Click";
inline constexpr const char* kGetSubDirectories2016 =
    "DorvithTitle2021/08/31.AddFolder.GetSubDirectories2016";
} // namespace pf::loc
