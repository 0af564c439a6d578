#include "winui/app_module.h"

CAppModule AppModule;

void CAppModule::Init(HINSTANCE instance) { instance_ = instance; }

void CAppModule::Term() {
    loop_ = nullptr;
    instance_ = nullptr;
}

HINSTANCE CAppModule::Instance() const { return instance_ ? instance_ : GetModuleHandleA(nullptr); }

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    if (!loop || loop_) return false;
    loop_ = loop;
    return true;
}

bool CAppModule::RemoveMessageLoop() {
    if (!loop_) return false;
    loop_ = nullptr;
    return true;
}
