#pragma once
// The numbers of the branding texts (entry N of the ".brd" file, read by CBrandingGuide) that the
// code shows, named by what they say. Code and tests name a text only through these; the words are
// data of the branding file.

// Titles, captions, buttons and menu entries.
inline constexpr int kTextAbout = 1;
inline constexpr int kTextCancel = 5;
inline constexpr int kTextServerMessageTitle = 10;
inline constexpr int kTextHelp = 12;
inline constexpr int kTextOk = 16;
inline constexpr int kTextOperationEnd = 24; // caption of the box at the end of a data operation
inline constexpr int kTextQuestionCaption = 31;
inline constexpr int kTextSettings = 103;
inline constexpr int kTextViewSummary = 105;
inline constexpr int kTextViewLog = 104;
inline constexpr int kTextExit = 107;
inline constexpr int kTextMenu = 106;
inline constexpr int kTextShow = 108;
inline constexpr int kTextNext = 185;
inline constexpr int kTextAppName = 191;

// Progress of an operation.
inline constexpr int kTextIdentifying = 33;
inline constexpr int kTextOpeningSession = 34;
inline constexpr int kTextConnecting = 36;
inline constexpr int kTextSendingSettings = 41;
inline constexpr int kTextSendingContacts = 42;
inline constexpr int kTextSendingMessages = 43;
inline constexpr int kTextSendingAppointments = 44;
inline constexpr int kTextSendingTasks = 45;
inline constexpr int kTextReceivingContacts = 79;
inline constexpr int kTextReceivingMessages = 80;
inline constexpr int kTextReceivingTasks = 81;
inline constexpr int kTextReceivingAppointments = 82;
inline constexpr int kTextReadingCalendar = 83;
inline constexpr int kTextPleaseWait = 84;
inline constexpr int kTextStopping = 85;
inline constexpr int kTextWaitingForServer = 184;
inline constexpr int kTextDownloadingFiles = 37;
inline constexpr int kTextExchangingFiles = 46;
inline constexpr int kTextLookingForFiles = 87;
inline constexpr int kTextGettingFileList = 99;
inline constexpr int kTextSendingFileList = 100;

// Questions and failures.
inline constexpr int kTextSyncQuestion = 47;
inline constexpr int kTextRestoreQuestion = 48;
inline constexpr int kTextSettingsNotReceived = 50;
inline constexpr int kTextServerUnreachable = 51;
inline constexpr int kTextConfigurationNotReceived = 52;
inline constexpr int kTextOperationRefused = 53;
inline constexpr int kTextSessionNotCompleted = 54;
inline constexpr int kTextSettingsNotSent = 58;
inline constexpr int kTextRestoreFailed = 59; // contacts or appointments not received
inline constexpr int kTextMessagesRestoreFailed = 60;
inline constexpr int kTextTasksRestoreFailed = 61;
inline constexpr int kTextAppointmentsBackupFailed = 64;
inline constexpr int kTextTasksBackupFailed = 65;
inline constexpr int kTextContactsBackupFailed = 66;
inline constexpr int kTextMessagesBackupFailed = 67;
inline constexpr int kTextConnectionFailed = 68;
inline constexpr int kTextNoDataConnection = 69;
inline constexpr int kTextEmptyInput = 101;
inline constexpr int kTextNotConfirmedInTime = 102;
inline constexpr int kTextNotRegistered = 178;
inline constexpr int kTextNoContactsCaption = 181;
inline constexpr int kTextNoContactsQuestion = 182;
inline constexpr int kTextConfirmRegistrationSms = 183;
inline constexpr int kTextSetupCancelled = 187;
inline constexpr int kTextSyncNow = 188;
inline constexpr int kTextNoServiceCentre = 189;
inline constexpr int kTextNoServerFiles = 39;
inline constexpr int kTextNoFileSelected = 40;
inline constexpr int kTextDeviceFilesNotListed = 55;
inline constexpr int kTextFileListNotExchanged = 56;
inline constexpr int kTextFilesNotTransferred = 57;
inline constexpr int kTextServerFilesNotListed = 62;
inline constexpr int kTextFilesNotDownloaded = 63;
inline constexpr int kTextNoDeviceFiles = 86;

// The operations list: titles and subtitles.
inline constexpr int kTextBackup = 3;
inline constexpr int kTextSync = 88;
inline constexpr int kTextCalendarSync = 89;
inline constexpr int kTextUploadFiles = 90;
inline constexpr int kTextDownloadFiles = 91;
inline constexpr int kTextRestore = 92;
inline constexpr int kTextNotSynchronised = 93;
inline constexpr int kTextChooseFiles = 94;
inline constexpr int kTextBackupSubtitle = 95;
inline constexpr int kTextRestoreSubtitle = 174;

// The summary: what ran, how it ended, and one label per counter.
inline constexpr int kTextSummarySync = 130;
inline constexpr int kTextCompleted = 131;
inline constexpr int kTextNotCompleted = 132;
inline constexpr int kTextSummaryCalendarSync = 133;
inline constexpr int kTextSummaryUpload = 134;
inline constexpr int kTextSummaryDownload = 135;
inline constexpr int kTextContactsAdded = 136;
inline constexpr int kTextContactsUpdated = 137;
inline constexpr int kTextContactsDeleted = 138;
inline constexpr int kTextContactsFailed = 139;
inline constexpr int kTextMessagesAdded = 140;
inline constexpr int kTextMessagesDeleted = 141;
inline constexpr int kTextMessagesFailed = 142;
inline constexpr int kTextFilesReceived = 143;
inline constexpr int kTextFilesSent = 144;
inline constexpr int kTextFilesDeleted = 145;
inline constexpr int kTextFilesFailed = 146;
inline constexpr int kTextAppointmentsAdded = 147;
inline constexpr int kTextAppointmentsUpdated = 148;
inline constexpr int kTextAppointmentsDeleted = 149;
inline constexpr int kTextAppointmentsFailed = 150;
inline constexpr int kTextTasksAdded = 151;
inline constexpr int kTextTasksUpdated = 152;
inline constexpr int kTextTasksDeleted = 153;
inline constexpr int kTextTasksFailed = 154;
inline constexpr int kTextNothingToTransfer = 155;
inline constexpr int kTextContactsSent = 175;
inline constexpr int kTextWipeout = 192;

// About, help and the log.
inline constexpr int kTextVersion = 116;
inline constexpr int kTextAboutBody = 117;
inline constexpr int kTextHelpBody = 165;
inline constexpr int kTextSettingsHelp = 167; // also the help of the list of files to download
inline constexpr int kTextUploadHelp = 166;

// The settings dialogs and the selection wizard.
inline constexpr int kTextPhoneMemory = 96;
inline constexpr int kTextStorageCard = 97;
inline constexpr int kTextPhoneAndCard = 98;
inline constexpr int kTextImages = 110;
inline constexpr int kTextVideos = 111;
inline constexpr int kTextMusic = 112;
inline constexpr int kTextOtherFiles = 113;
inline constexpr int kTextDownloadFolders = 118;
inline constexpr int kTextImagesFolder = 119; // then videos, music and documents: 120 to 122
inline constexpr int kTextContacts = 124;
inline constexpr int kTextMessages = 125;
inline constexpr int kTextImagesSync = 126; // then videos, music and other files: 127 to 129
inline constexpr int kTextMediaOff = 156;
inline constexpr int kTextMediaUploadOnly = 157;
inline constexpr int kTextMediaBothWays = 158;
inline constexpr int kTextNever = 159;
inline constexpr int kTextDaily = 160;
inline constexpr int kTextWeekly = 161;
inline constexpr int kTextEveryTwoWeeks = 162;
inline constexpr int kTextAutomaticSync = 163;
inline constexpr int kTextEveryFourWeeks = 180;
inline constexpr int kTextWizardTitle = 186;

// The files list.
inline constexpr int kTextAllFiles = 109;
inline constexpr int kTextDetails = 114;
inline constexpr int kTextPreview = 115;
inline constexpr int kTextPath = 176;
inline constexpr int kTextSize = 177;
