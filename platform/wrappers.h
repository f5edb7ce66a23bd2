// Forwarding implementations: each passes every call to a target. A test derives from one and
// overrides a single call to inject a fault (the Nth write fails, the disk is full, a file is
// locked) into the real code paths.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_control.h"
#include "platform/system_info.h"

namespace qid {

class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem* target) : target_(target) {}
  FileSystem* target() const { return target_; }

  ErrorCode OpenFile(const std::string& path, FileAccess access, FileDisposition disposition,
                     FileShare share, std::unique_ptr<File>* file) override {
    return target_->OpenFile(path, access, disposition, share, file);
  }
  ErrorCode RemoveFile(const std::string& path) override { return target_->RemoveFile(path); }
  std::string PathForPrograms(const std::string& path) override {
    return target_->PathForPrograms(path);
  }
  ErrorCode CopyFileTo(const std::string& from, const std::string& to,
                       bool fail_if_exists) override {
    return target_->CopyFileTo(from, to, fail_if_exists);
  }
  ErrorCode RenameFile(const std::string& from, const std::string& to) override {
    return target_->RenameFile(from, to);
  }
  bool FileExists(const std::string& path) override { return target_->FileExists(path); }
  ErrorCode CreateFolder(const std::string& path) override { return target_->CreateFolder(path); }
  ErrorCode RemoveAtRestart(const std::string& path) override {
    return target_->RemoveAtRestart(path);
  }
  ErrorCode OpenExclusiveLock(const std::string& path, std::unique_ptr<File>* lock) override {
    return target_->OpenExclusiveLock(path, lock);
  }
  ErrorCode GetAttributes(const std::string& path, uint32_t* attributes) override {
    return target_->GetAttributes(path, attributes);
  }
  ErrorCode SetAttributes(const std::string& path, uint32_t attributes) override {
    return target_->SetAttributes(path, attributes);
  }
  ErrorCode ResolvePath(const std::string& path, std::string* resolved) override {
    return target_->ResolvePath(path, resolved);
  }
  ErrorCode OpenFileW(const std::u16string& path, FileAccess access, FileDisposition disposition,
                      FileShare share, std::unique_ptr<File>* file) override {
    return target_->OpenFileW(path, access, disposition, share, file);
  }
  ErrorCode RemoveFileW(const std::u16string& path) override { return target_->RemoveFileW(path); }
  ErrorCode CreateFolderW(const std::u16string& path) override {
    return target_->CreateFolderW(path);
  }
  ErrorCode GetAttributesW(const std::u16string& path, uint32_t* attributes) override {
    return target_->GetAttributesW(path, attributes);
  }
  ErrorCode SetAttributesW(const std::u16string& path, uint32_t attributes) override {
    return target_->SetAttributesW(path, attributes);
  }

 private:
  FileSystem* target_;
};

class FileWrapper : public File {
 public:
  explicit FileWrapper(std::unique_ptr<File> target) : target_(std::move(target)) {}

  ErrorCode Read(void* buffer, size_t n, size_t* got) override {
    return target_->Read(buffer, n, got);
  }
  ErrorCode Write(const void* buffer, size_t n) override { return target_->Write(buffer, n); }
  ErrorCode Seek(uint64_t position) override { return target_->Seek(position); }
  uint64_t Tell() override { return target_->Tell(); }
  ErrorCode Size(uint64_t* size) override { return target_->Size(size); }
  ErrorCode Truncate(uint64_t size) override { return target_->Truncate(size); }
  ErrorCode Flush() override { return target_->Flush(); }
  ErrorCode Close() override { return target_->Close(); }
  ErrorCode GetTimes(FileTimes* times) override { return target_->GetTimes(times); }
  ErrorCode SetTimes(const FileTimes& times) override { return target_->SetTimes(times); }

 protected:
  File& target() { return *target_; }

 private:
  std::unique_ptr<File> target_;
};

class RegistryWrapper : public Registry {
 public:
  explicit RegistryWrapper(Registry* target) : target_(target) {}

  ErrorCode OpenCurrentUserKey(const std::string& subkey, RegKey* key) override {
    return target_->OpenCurrentUserKey(subkey, key);
  }
  ErrorCode OpenKey(Hive hive, const std::string& subkey, bool write, RegKey* key) override {
    return target_->OpenKey(hive, subkey, write, key);
  }
  ErrorCode CreateKey(Hive hive, const std::string& subkey, const std::string& key_class,
                      RegKey* key, bool* created) override {
    return target_->CreateKey(hive, subkey, key_class, key, created);
  }
  ErrorCode QueryValue(RegKey key, const std::string& name, uint32_t* type,
                       std::vector<uint8_t>* data, size_t capacity) override {
    return target_->QueryValue(key, name, type, data, capacity);
  }
  ErrorCode SetValue(RegKey key, const std::string& name, uint32_t type, const void* data,
                     size_t size) override {
    return target_->SetValue(key, name, type, data, size);
  }
  ErrorCode QueryValueW(RegKey key, const std::u16string& name, uint32_t* type,
                        std::vector<uint8_t>* data, size_t capacity) override {
    return target_->QueryValueW(key, name, type, data, capacity);
  }
  ErrorCode SetValueW(RegKey key, const std::u16string& name, uint32_t type, const void* data,
                      size_t size) override {
    return target_->SetValueW(key, name, type, data, size);
  }
  ErrorCode DeleteValue(RegKey key, const std::string& name) override {
    return target_->DeleteValue(key, name);
  }
  ErrorCode DeleteKey(Hive hive, const std::string& subkey) override {
    return target_->DeleteKey(hive, subkey);
  }
  ErrorCode EnumKey(RegKey key, uint32_t index, std::string* name) override {
    return target_->EnumKey(key, index, name);
  }
  ErrorCode EnumValue(RegKey key, uint32_t index, std::string* name) override {
    return target_->EnumValue(key, index, name);
  }
  void CloseKey(RegKey key) override { target_->CloseKey(key); }

 private:
  Registry* target_;
};

class SpoolerWrapper : public Spooler {
 public:
  explicit SpoolerWrapper(Spooler* target) : target_(target) {}

  ErrorCode DriverDirectory(size_t capacity, std::string* directory) override {
    return target_->DriverDirectory(capacity, directory);
  }
  ErrorCode DriverDirectoryW(size_t capacity, std::u16string* directory) override {
    return target_->DriverDirectoryW(capacity, directory);
  }
  ErrorCode EnvironmentDriverDirectory(const std::string& environment, size_t capacity,
                                       std::string* directory) override {
    return target_->EnvironmentDriverDirectory(environment, capacity, directory);
  }
  ErrorCode ListMonitorsW(std::vector<MonitorInfoW>* monitors) override {
    return target_->ListMonitorsW(monitors);
  }
  ErrorCode ListPortsW(std::vector<std::u16string>* names) override {
    return target_->ListPortsW(names);
  }
  ErrorCode AddPortW(const std::u16string& monitor_name, const std::u16string& port_name,
                     uint32_t* status) override {
    return target_->AddPortW(monitor_name, port_name, status);
  }
  ErrorCode AddDriverW(const DriverInfo3W& driver) override { return target_->AddDriverW(driver); }
  ErrorCode AddPrinterW(const PrinterInfo2W& printer) override {
    return target_->AddPrinterW(printer);
  }
  ErrorCode QueryPrinterW(const std::u16string& name, PrinterInfo2W* printer) override {
    return target_->QueryPrinterW(name, printer);
  }
  ErrorCode SetDefaultPrinterNameW(const std::u16string& name) override {
    return target_->SetDefaultPrinterNameW(name);
  }
  ErrorCode DefaultPrinterNameW(std::u16string* name) override {
    return target_->DefaultPrinterNameW(name);
  }
  ErrorCode OpenPrinterHandle(const std::string& name, PrinterAccess access,
                              PrinterHandle* handle) override {
    return target_->OpenPrinterHandle(name, access, handle);
  }
  ErrorCode RemovePrinter(PrinterHandle handle) override { return target_->RemovePrinter(handle); }
  ErrorCode ClosePrinterHandle(PrinterHandle handle) override {
    return target_->ClosePrinterHandle(handle);
  }

 private:
  Spooler* target_;
};

class SystemInfoWrapper : public SystemInfo {
 public:
  explicit SystemInfoWrapper(SystemInfo* target) : target_(target) {}

  ErrorCode UserName(size_t capacity, std::string* name) override {
    return target_->UserName(capacity, name);
  }
  OsVersion Version() override { return target_->Version(); }
  ErrorCode QueryVersion(OsVersion* version) override { return target_->QueryVersion(version); }
  bool IsWow64() override { return target_->IsWow64(); }
  ErrorCode WindowsFolderW(std::u16string* folder) override {
    return target_->WindowsFolderW(folder);
  }
  ErrorCode ProgramFilesFolderW(std::u16string* folder) override {
    return target_->ProgramFilesFolderW(folder);
  }
  ErrorCode ExecutablePathW(std::u16string* path) override {
    return target_->ExecutablePathW(path);
  }
  ErrorCode UserDataFolder(std::string* folder) override {
    return target_->UserDataFolder(folder);
  }
  std::tm LocalTime() override { return target_->LocalTime(); }

 private:
  SystemInfo* target_;
};

class SystemControlWrapper : public SystemControl {
 public:
  explicit SystemControlWrapper(SystemControl* target) : target_(target) {}

  ShutdownPrivilegeResult EnableShutdownPrivilege() override {
    return target_->EnableShutdownPrivilege();
  }
  ErrorCode RequestRestart() override { return target_->RequestRestart(); }
  ErrorCode BroadcastSettingChange() override { return target_->BroadcastSettingChange(); }
  ErrorCode WriteProfileEntryW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& value) override {
    return target_->WriteProfileEntryW(section, key, value);
  }
  ErrorCode WritePrivateProfileEntry(const std::string& file_name, const std::string& section,
                                     const std::string& key, const std::string& value) override {
    return target_->WritePrivateProfileEntry(file_name, section, key, value);
  }

 private:
  SystemControl* target_;
};

}  // namespace qid
