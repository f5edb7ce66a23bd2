// Forwarding implementations: each passes every call to a target. A test derives from one and
// overrides a single call to inject a fault (the Nth write fails, the disk is full, a file is
// locked) into the real code paths.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"

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

}  // namespace qid
