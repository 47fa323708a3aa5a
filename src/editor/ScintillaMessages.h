// The Scintilla messages and constants the tool sends, under their published names.
#pragma once

namespace brisklet {

constexpr unsigned SCI_GETLENGTH = 2006;
constexpr unsigned SCI_GETCHARAT = 2007;
constexpr unsigned SCI_GETCURRENTPOS = 2008;
constexpr unsigned SCI_GOTOLINE = 2024;
constexpr unsigned SCI_MARKERDELETEALL = 2045;
constexpr unsigned SCI_MARKERGET = 2046;
constexpr unsigned SCI_MARKERNEXT = 2047;
constexpr unsigned SCI_GETCODEPAGE = 2137;
constexpr unsigned SCI_GETREADONLY = 2140;
constexpr unsigned SCI_GETSELECTIONSTART = 2143;
constexpr unsigned SCI_GETSELECTIONEND = 2145;
constexpr unsigned SCI_GETLINECOUNT = 2154;
constexpr unsigned SCI_SETSEL = 2160;
constexpr unsigned SCI_LINEFROMPOSITION = 2166;
constexpr unsigned SCI_POSITIONFROMLINE = 2167;
constexpr unsigned SCI_REPLACESEL = 2170;
constexpr unsigned SCI_SETTEXT = 2181;
constexpr unsigned SCI_GETTEXTLENGTH = 2183;
constexpr unsigned SCI_VISIBLEFROMDOCLINE = 2220;
constexpr unsigned SCI_SETFOLDLEVEL = 2222;
constexpr unsigned SCI_SHOWLINES = 2226;
constexpr unsigned SCI_GETFOLDLEVEL = 2223;
constexpr unsigned SCI_GETLASTCHILD = 2224;
constexpr unsigned SCI_GETLINEVISIBLE = 2228;
constexpr unsigned SCI_SETFOLDEXPANDED = 2229;
constexpr unsigned SCI_GETFOLDEXPANDED = 2230;
constexpr unsigned SCI_FOLDLINE = 2237;
constexpr unsigned SCI_DOCUMENTSTART = 2316;
constexpr unsigned SCI_DOCUMENTEND = 2318;
constexpr unsigned SCI_MARKERADDSET = 2466;
constexpr unsigned SCI_GETCHARACTERPOINTER = 2520;
constexpr unsigned SCI_CONTRACTEDFOLDNEXT = 2618;
constexpr unsigned SCI_FOLDALL = 2662;

constexpr int SC_CP_UTF8 = 65001;
constexpr int SC_FOLDLEVELBASE = 0x400;
constexpr int SC_FOLDLEVELWHITEFLAG = 0x1000;
constexpr int SC_FOLDLEVELHEADERFLAG = 0x2000;
constexpr int SC_FOLDLEVELNUMBERMASK = 0x0FFF;
constexpr int SC_FOLDACTION_CONTRACT = 0;
constexpr int SC_FOLDACTION_EXPAND = 1;

} // namespace brisklet
