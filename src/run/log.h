// The work folder and the installation log. The log is the run's only report: every
// entry is appended whole, with each line feed written as CR LF and the entry closed by
// CR CR LF, and nothing is written before the work folder and the log path are set.
#pragma once

// Makes <Program Files>\Corvane\Facet and puts it in szWorkDir, or "c:\" when it cannot.
void CreateWorkFolder();

// Chooses szLogPath: C:\FACTORY\Util\Facet.Log, or Facet.log in the work folder.
void InitLogPath();

// Appends one entry: szMessage, then szText, then CR CR LF. Never reports a failure.
void WriteLog(const char* szMessage, const char* szText);
