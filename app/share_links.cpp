#include "app/share_links.h"

#include "build_config.h"

namespace {
std::wstring ShareText() {
    return std::wstring(
               L"我获得了Vantrel新品尝鲜特权，刚刚安装了新玩意:Lumo工作台，目前正在体验中，"
               L"嘻嘻！抢鲜入口：") +
           TIDEWELL_PRODUCT_SITE;
}
} // namespace

std::wstring TencentShareAddress() {
    return std::wstring(L"http://") + TIDEWELL_TENCENT_SHARE_HOST +
           L"/index.php?c=share&a=index&title=" + ShareText();
}

std::wstring SinaShareAddress() {
    return std::wstring(L"http://") + TIDEWELL_SINA_SHARE_HOST + L"/share/share.php?title=" +
           ShareText();
}

std::wstring AgreementAddress() {
    return TIDEWELL_AGREEMENT_URL;
}
