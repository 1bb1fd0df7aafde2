// Every export makes the library's own module current for resources and
// window classes, and restores the caller's on return. Window code loads its
// dialog templates and registers its classes with ResourceModule().
#pragma once

namespace condvorn {

// The library's module handle (the DLL's instance), recorded when loaded.
void* LibraryModule();
void SetLibraryModule(void* module);

// The module whose resources are in use now.
void* ResourceModule();

class ModuleScope {
 public:
  ModuleScope();
  ~ModuleScope();
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;

 private:
  void* previous_;
};

}  // namespace condvorn
