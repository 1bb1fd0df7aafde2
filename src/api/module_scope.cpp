#include "api/module_scope.h"

namespace condvorn {
namespace {

void* libraryModule = nullptr;
void* resourceModule = nullptr;

}  // namespace

void* LibraryModule() { return libraryModule; }
void SetLibraryModule(void* module) { libraryModule = module; }
void* ResourceModule() { return resourceModule; }

ModuleScope::ModuleScope() : previous_(resourceModule) { resourceModule = libraryModule; }
ModuleScope::~ModuleScope() { resourceModule = previous_; }

}  // namespace condvorn
