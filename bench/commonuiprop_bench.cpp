// Times the plug-in's document-tree set-up (CommonUIProp, both calls) on synthetic core trees of
// growing size and reports the median of repeated runs. The fixed part (finding the driver's
// configuration files through the spooler) is the same for every size; the scan of the items
// must grow linearly with their number.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/oemcontract.h"
#include "docprop/itemmap.h"
#include "tests/support/plugindll.h"
#include "tests/support/testprinters.h"

namespace {

const char* const kKeywords[] = {"VROutputMode",
                                 "VROutputModeBlack",
                                 "VRCollate",
                                 "OutputBin",
                                 "VRStaple",
                                 "VRMediaType",
                                 "VRManualFeed",
                                 "TraySwitch",
                                 "VRPageSizeCheck",
                                 "VRMPTPageSizeCheck",
                                 "VREnvRotate",
                                 "VRHDDSpool",
                                 "VRDrumClean",
                                 "VRJob_Type",
                                 "VROverlay",
                                 "VRControl",
                                 "VRSeparationorder",
                                 "VROverPrint",
                                 "VRProcessMode",
                                 "VRBlackSubstitution",
                                 "VRHalftoneMode",
                                 "VRAlwaysPrnHT",
                                 "VRSpecialColorSpace",
                                 "VRColorRenderStyle",
                                 "VRColorRenderDict",
                                 "VRTargetColor",
                                 "VRTone",
                                 "VRHairLine",
                                 "VRPunch",
                                 "VRBindPosition",
                                 "VRBlackSubGra",
                                 "VRColorICMS",
                                 "VRCMYKProfile",
                                 "VRRGBProfile",
                                 "VRCMYKInputProfile",
                                 "VRCMYKLinkProfile",
                                 "VROutProfile",
                                 "VRSimProfile",
                                 "VRPureBlack",
                                 "VRPreserveBlack",
                                 "VRColorMatch",
                                 "VRResolution",
                                 "VRImageSmoothing",
                                 "VRTrapping",
                                 "VRScreenObo",
                                 "VRFITTOMPT",
                                 "VRFITTOTRAY1",
                                 "VRFITTOTRAY2",
                                 "VRFITTOTRAY3",
                                 "VRFITTOTRAY4",
                                 "VRFITTOTRAY5",
                                 "VRRotateSort",
                                 "VRSpecialColorControl",
                                 "VRSpecialColorOrder",
                                 "VRClearOutputMode",
                                 "VRErrorDiffusion",
                                 "VRPrintBlkTxt"};

// A core-driver tree of `count` items: the public items first, then PPD features (the known
// keywords, then features the plug-in does not know).
struct Tree {
    explicit Tree(size_t count) : items(count), data(count), names(count), types(count) {
        static const BYTE kPublic[] = {
            DMPUB_ORIENTATION, DMPUB_COPIES_COLLATE, DMPUB_SCALE, DMPUB_PRINTQUALITY, DMPUB_COLOR,
            DMPUB_DUPLEX,      DMPUB_FORMNAME,       DMPUB_NUP,   DMPUB_DEFSOURCE};
        for (int p = 0; p < 3; ++p) {
            params[p].cbSize = sizeof(OPTPARAM);
            params[p].pData = const_cast<wchar_t*>(p == 0 ? L"A4" : p == 1 ? L"Letter" : L"Legal");
        }
        for (size_t i = 0; i < count; ++i) {
            types[i].cbSize = sizeof(OPTTYPE);
            types[i].Type = TVOT_LISTBOX;
            types[i].Count = 3;
            types[i].pOptParam = params;
            OPTITEM& item = items[i];
            item.cbSize = sizeof(OPTITEM);
            item.pOptType = &types[i];
            item.pName = const_cast<wchar_t*>(L"Feature");
            item.UserData = reinterpret_cast<ULONG_PTR>(&data[i]);
            data[i].dwSize = sizeof(USERDATA);
            if (i < std::size(kPublic)) {
                item.DMPubID = kPublic[i];
                continue;
            }
            const size_t k = i - std::size(kPublic);
            names[i] =
                k < std::size(kKeywords) ? kKeywords[k] : "VRVendorFeature" + std::to_string(k);
            data[i].pKeyWordName = names[i].data();
            data[i].dwItemID = static_cast<ULONG_PTR>(100 + i);
        }
    }
    std::vector<OPTITEM> items;
    std::vector<USERDATA> data;
    std::vector<std::string> names;
    std::vector<OPTTYPE> types;
    OPTPARAM params[3] = {};
};

BOOL APIENTRY AcceptSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) { return FALSE; }
BOOL APIENTRY AcceptUpdate(PVOID, PVOID, DWORD, DWORD) { return TRUE; }

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median time of `runs` document-tree set-ups on one tree size, in microseconds.
double MedianSetUp(testenv::PluginDll& dll, HANDLE printer, size_t count, int runs) {
    Tree tree(count);
    OEMUIPROCS procs = {AcceptSetting, AcceptUpdate};
    OEMUIOBJ uiObject = {sizeof(OEMUIOBJ), &procs};
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        IPrintOemUI2* plugin = dll.Create();
        HANDLE heap = HeapCreate(0, 0, 0);
        OPTITEM none = {};
        OEMCUIPPARAM param = {};
        param.cbSize = sizeof(param);
        param.poemuiobj = &uiObject;
        param.hPrinter = printer;
        param.hOEMHeap = heap;
        param.pDrvOptItems = tree.items.data();
        param.cDrvOptItems = static_cast<DWORD>(count);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        plugin->CommonUIProp(OEMCUIP_DOCPROP, &param);
        param.pOEMOptItems = &none;
        plugin->CommonUIProp(OEMCUIP_DOCPROP, &param);
        QueryPerformanceCounter(&end);
        times.push_back(Seconds(start, end) * 1e6);
        plugin->Release();
        HeapDestroy(heap);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median time of the item scan alone (no spooler calls), in microseconds.
double MedianScan(size_t count, int runs) {
    Tree tree(count);
    OEMUIPROCS procs = {AcceptSetting, AcceptUpdate};
    OEMUIOBJ uiObject = {sizeof(OEMUIOBJ), &procs};
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.poemuiobj = &uiObject;
    param.pDrvOptItems = tree.items.data();
    param.cDrvOptItems = static_cast<DWORD>(count);
    std::vector<double> times;
    HANDLE heap = HeapCreate(0, 0, 0);
    for (int r = 0; r < runs; ++r) {
        oemui::DriverItemMap map = {};
        oemui::InitDriverItemMap(map, &param, oemui::SheetPaths{});
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        oemui::MapDriverItems(map, heap);
        QueryPerformanceCounter(&end);
        times.push_back(Seconds(start, end) * 1e6);
    }
    HeapDestroy(heap);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 51;
    if (!testenv::InstallSamplePrinters()) {
        fprintf(stderr, "cannot install the sample printers\n");
        return 1;
    }
    testenv::PluginDll dll;
    if (!dll.Loaded()) {
        fprintf(stderr, "cannot load %s\n", OEMUI_DLL_PATH);
        return 1;
    }
    testenv::Printer printer(testenv::kColorPrinter);
    if (!printer) {
        fprintf(stderr, "cannot open the sample printer\n");
        return 1;
    }
    printf("CommonUIProp (both calls), median of %d runs\n", runs);
    printf("%8s %12s %16s\n", "items", "median us", "us per 1000 items");
    const double base = MedianSetUp(dll, printer.get(), 10, runs);
    double at1000 = 0;
    for (size_t count : {250u, 500u, 1000u, 2000u, 4000u}) {
        const double median = MedianSetUp(dll, printer.get(), count, runs);
        if (count == 1000) at1000 = median;
        printf("%8zu %12.1f %16.1f\n", count, median, (median - base) * 1000.0 / count);
    }
    printf("fixed part (10 items): %.1f us; 1000 items: %.1f us\n", base, at1000);

    printf("\nItem scan alone, median of %d runs\n", runs);
    printf("%8s %12s %16s\n", "items", "median us", "ns per item");
    for (size_t count : {250u, 500u, 1000u, 2000u, 4000u}) {
        const double median = MedianScan(count, runs);
        printf("%8zu %12.1f %16.1f\n", count, median, median * 1000.0 / count);
    }
    return 0;
}
