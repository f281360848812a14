// Where a batch writes each result, and with which writer.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "engine/batch.h"
#include "formats/bmp.h"
#include "formats/gif_writer.h"
#include "formats/png_writer.h"

TBatchOutput BatchOutputFromSettings(const TSettingsRecord& settings) {
    TBatchOutput output;
    output.Format = settings.BatchFormat;
    output.Folder = settings.BatchSaveDirectory;
    output.GifOptions = settings.GifOptions;
    output.PngInterlace = settings.PngInterlace;
    return output;
}

std::string BatchOutputPath(const std::string& folder, const std::string& sourcePath, int format) {
    const size_t slash = sourcePath.find_last_of('/');
    std::string name = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    const char* extension = format == 0 ? ".bmp" : format == 1 ? ".png" : ".gif";
    return folder + name + extension;
}

bool IsSameFile(const std::string& sourcePath, const std::string& outputPath) {
    if (sourcePath == outputPath) {
        return true;
    }
    // equivalent() compares device and inode, so every other spelling of the
    // source (relative, "..", a link, another letter case where the volume
    // ignores case) is caught. A missing output is simply not the source.
    std::error_code error;
    const bool same = std::filesystem::equivalent(sourcePath, outputPath, error);
    return !error && same;
}

namespace {

std::string NamePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// ASCII only: the file systems that fold case fold at least these letters,
// and folding too little would only let two names collide on disk that we
// take for different; folding more than the disk does merely skips a file.
std::string FoldAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool StatId(const std::string& path, uint64_t& device, uint64_t& inode) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    device = info.st_dev;
    inode = info.st_ino;
    return true;
}

std::string RealFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(folder, error);
    return error ? folder : real.string();
}

// The file system type of the mount that holds device, from mountinfo
// (field 3 is "major:minor", the type follows the " - " separator).
std::string MountType(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    std::string type;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers;
        fields >> id >> parent >> numbers;
        if (numbers != wanted) continue;
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream rest(line.substr(dash + 3));
        rest >> type;  // the last matching mount is the one on top
    }
    return type;
}

bool FuseTypeFoldsCase(const std::string& type) {
    if (type == "fuseblk") return true;  // ntfs-3g and exfat-fuse on a block device
    for (const char* name : {"ntfs", "exfat", "fat", "smb", "cifs", "hfs"}) {
        if (type.find(name) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

bool FolderFoldsCase(const std::string& folder) {
    const std::string path = folder.empty() ? std::string(".") : folder;
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) != 0) return false;
    switch (static_cast<uint64_t>(fs.f_type)) {
        case 0x4d44:      // vfat, msdos
        case 0x2011BAB0:  // exfat
        case 0x5346544e:  // ntfs
        case 0x7366746e:  // ntfs3
        case 0xFF534D42:  // cifs
        case 0xFE534D42:  // smb2/3
        case 0x517B:      // smbfs
        case 0x482b:      // hfs+
        case 0x4244:      // hfs
        case 0x4000:      // isofs (Joliet)
            return true;
        case 0x65735546: {  // FUSE: the mount type says which one
            struct stat info {};
            return ::stat(path.c_str(), &info) == 0 && FuseTypeFoldsCase(MountType(info.st_dev));
        }
        default:
            break;
    }
#ifdef FS_CASEFOLD_FL
    // ext4 and f2fs fold case per folder.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        long flags = 0;
        const bool folds = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
        ::close(fd);
        if (folds) return true;
    }
#endif
    return false;
}

TBatchOutputClaims::TBatchOutputClaims(const std::vector<std::string>& files,
                                       const std::string& folder, std::optional<bool> foldCase)
    : foldCase_(foldCase ? *foldCase : FolderFoldsCase(folder)) {
    const std::string outFolder = folder.empty() ? std::string(".") : folder;
    TFileId folderId{};
    const bool haveFolder = StatId(outFolder, folderId.Device, folderId.Inode);
    const std::string realFolder = FoldAscii(RealFolder(outFolder));
    for (const std::string& source : files) {
        sourceTexts_.insert(source);
        TFileId id{};
        if (StatId(source, id.Device, id.Inode)) sourceIds_.insert(id);
        if (!foldCase_) continue;
        // A source in the output folder whose name differs only in case may
        // be the same file even where the volume reports another inode.
        TFileId sourceFolder{};
        const std::string parent = FolderPart(source);
        const bool sameFolder =
            (haveFolder && StatId(parent, sourceFolder.Device, sourceFolder.Inode) &&
             sourceFolder == folderId) ||
            FoldAscii(RealFolder(parent)) == realFolder;
        if (sameFolder) sourceNamesInFolder_.insert(NameKey(NamePart(source)));
    }
}

std::string TBatchOutputClaims::NameKey(const std::string& name) const {
    return foldCase_ ? FoldAscii(name) : name;
}

TOutputVerdict TBatchOutputClaims::Claim(const std::string& outputPath, size_t claimant,
                                         size_t* owner) {
    const std::string name = NameKey(NamePart(outputPath));
    TFileId id{};
    const bool exists = StatId(outputPath, id.Device, id.Inode);
    if (sourceTexts_.count(outputPath) != 0 || (exists && sourceIds_.count(id) != 0) ||
        sourceNamesInFolder_.count(name) != 0) {
        return TOutputVerdict::SourceOfRun;
    }
    const auto byName = claimedNames_.find(name);
    const auto byId = exists ? claimedIds_.find(id) : claimedIds_.end();
    if (byName != claimedNames_.end() || byId != claimedIds_.end()) {
        if (owner != nullptr) {
            *owner = byName != claimedNames_.end() ? byName->second : byId->second;
        }
        return TOutputVerdict::AlreadyClaimed;
    }
    claimedNames_.emplace(name, claimant);
    if (exists) claimedIds_.emplace(id, claimant);
    return TOutputVerdict::Write;
}

std::vector<TOutputPlan> PlanBatchOutputs(const std::vector<std::string>& files,
                                          const std::string& folder, int format) {
    TBatchOutputClaims claims(files, folder);
    std::vector<TOutputPlan> plan;
    plan.reserve(files.size());
    // The files of each claimed output so far, by the claiming file.
    std::map<size_t, std::vector<size_t>> sharers;
    for (size_t index = 0; index < files.size(); ++index) {
        TOutputPlan entry;
        entry.Path = BatchOutputPath(folder, files[index], format);
        size_t owner = 0;
        entry.Verdict = claims.Claim(entry.Path, index, &owner);
        if (entry.Verdict == TOutputVerdict::Write) sharers[index] = {index};
        if (entry.Verdict == TOutputVerdict::AlreadyClaimed) {
            std::vector<size_t>& outputFiles = sharers[owner];
            entry.Rivals = outputFiles;
            outputFiles.push_back(index);
        }
        plan.push_back(std::move(entry));
    }
    return plan;
}

bool SaveBatchResult(const TPictureRecord& record, const TBatchOutput& output) {
    switch (output.Format) {
        case 0:
            return SaveBmp(record);
        case 1:
            return SavePng(record, output.PngInterlace);
        default:
            return SaveGif(record, output.GifOptions);
    }
}

std::vector<std::string> BatchListLines(const std::vector<std::string>& files) {
    std::vector<std::string> lines;
    lines.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        lines.push_back("#" + std::to_string(i + 1) + " " + files[i]);
    }
    return lines;
}
