// Numbers of the configuration entries carried in the Payload. String entries
// and wide-string entries are separate number spaces.
#pragma once

namespace cfg {

// ---- launch settings (string entries; "int" ones are read with getInt) ----
constexpr int kFirstPathArgEnabled = 102;    // int: element 3 of main's array is entry 103
constexpr int kFirstPathArg = 103;           // file path handed to the Java side
constexpr int kSecondPathArgEnabled = 104;   // int: element 4 of main's array is entry 105
constexpr int kSecondPathArg = 105;          // second file path handed to the Java side
constexpr int kBooleanArg = 106;             // int: element 5 of main's array, "true"/"false"
constexpr int kProgramType = 107;            // int: 1 windowed; 1 and 5 keep message boxes
constexpr int kClassPath = 121;              // ";"-separated class path entries
constexpr int kMainClass = 122;              // element 2 of main's array
constexpr int kVmOptions = 123;              // configured VM options
constexpr int kProgramArguments = 124;       // arguments placed before the command line's
constexpr int kJArgumentsToVm = 125;         // int: "-J" arguments become VM options
constexpr int kMinVersion = 126;             // minimum Java version
constexpr int kMaxVersion = 127;             // maximum Java version
constexpr int kSearchSequence = 128;         // JVM search sequence
constexpr int kAllowPreRelease = 130;        // int: beta/ea/rc runtimes accepted
constexpr int kRequireJdk = 131;             // int: only a JDK counts
constexpr int kWorkingDirectory = 146;       // made current at start
constexpr int kJreDownloadUrl = 150;         // runtime archive download URL
constexpr int kJreUncompressedSize = 151;    // int: bytes of the included runtime archive
constexpr int kPreferredVmKind = 152;        // VM kind tried first when loading jvm.dll
constexpr int kJrePack200 = 153;             // int: included runtime is Pack200-packed
constexpr int kNoProgressDialog = 155;       // int: work sequence on the main thread
constexpr int kDownloadWithoutAsking = 157;  // int
constexpr int kGlobalSingleInstance = 158;   // int: semaphore name gets "Global\"
constexpr int kWatcherNeverTimesOut = 159;   // int
constexpr int kMultipleInstances = 160;      // int: no single-instance mode, any number may run
constexpr int kJreDownloadSha256 = 161;      // SHA-256 of the archive at entry 150: 64 hex digits
constexpr int kKeepWorkingDirectory = 162;   // int: Java runs in the starting directory, not the extraction dir
constexpr int kPassAllArguments = 163;       // int: no launcher switches: every argument goes to the program
constexpr int kRemoveExtractedFiles = 164;   // int: the run's extraction dir goes at its end; leftovers swept
constexpr int kNoInstallMarker = 165;        // int: the installation marker is neither set nor asked about
constexpr int kFlavour = 2001;               // 'e' launcher, 'i' installer
constexpr int kIncludedFileCount = 2002;     // int
constexpr int kIncludedFileNames = 2003;     // ";"-separated, Payload order
constexpr int kQuillmereDirectory = 10003;   // holds ".quillmere"
constexpr int kNativeLibraryDirs = 10004;    // put in front of PATH
constexpr int kPassProcessCommFile = 10005;  // int

// ---- 8-bit message texts ("{0}" receives the argument) ----
constexpr int kMsgCaption = 1000;
constexpr int kMsgCannotStartJava = 1005;
constexpr int kMsgClassPathEntryMissing = 1006;
constexpr int kMsgUnbalancedQuotes = 1007;
constexpr int kMsgClassPathVariableMissing = 1008;
constexpr int kMsgInternalError = 1009;
constexpr int kMsgLauncherClassMissing = 1010;
constexpr int kMsgMainMethodMissing = 1011;
constexpr int kMsgNoTempDirectory = 1015;
constexpr int kMsgNoJreFound = 1016;
constexpr int kMsgJreLoadFailedPathOrEnv = 1019;
constexpr int kMsgJreLoadFailed = 1021;

// ---- wide user-interface texts ----
constexpr int kWDownloadMessage = 20001;
constexpr int kWDownloadLibraryMissing = 20002;
constexpr int kWDownloadFailed = 20003;
constexpr int kWChooserTitle = 20004;
constexpr int kWQuestionWithDownload = 20005;
constexpr int kWQuestionWithoutDownload = 20006;
constexpr int kWProgressMessage = 20007;
constexpr int kWDownloadStatus = 20008;
constexpr int kWDownloadConnecting = 20009;
constexpr int kWDownloadButton = 20010;
constexpr int kWBrowseButton = 20011;
constexpr int kWCancelButton = 20012;
constexpr int kWAppTitle = 20013;
constexpr int kWNoWindowTimeout = 20014;
constexpr int kWUnfinishedInstallQuestion = 20015;
constexpr int kWExtractReadFailed = 20016;
constexpr int kWExtractWriteFailed = 20018;
constexpr int kWMinVersionLabel = 20019;
constexpr int kWMaxVersionLabel = 20020;

} // namespace cfg
