// The contract cases' world over the native build's fakes.
#include "fakes.h"
#include "os_contract.h"

void ContractReset() { FakeReset(); }

QHandle ContractModule(QString* path) {
  Fake.ModulePath = u"C:\\Plugins\\Quorvel-x86.dll";
  *path = Fake.ModulePath;
  return (QHandle)&Fake;
}
