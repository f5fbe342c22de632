// The contract cases' world over the native build's fakes.
#include "fakes.h"
#include "os_contract.h"

void ContractReset() { FakeReset(); }

QHandle ContractModule(QString* path) {
  Fake.ModulePath = u"C:\\Plugins\\Quorvel-x86.dll";
  *path = Fake.ModulePath;
  return (QHandle)&Fake;
}

QString ContractFile(int which) { return which ? u"C:\\Temp\\contract-1.tmp" : u"C:\\Temp\\contract-0.txt"; }

void ContractWriteFile(const QString& path, const std::string& bytes) {
  Fake.Files[path] = std::vector<uint8_t>(bytes.begin(), bytes.end());
}
