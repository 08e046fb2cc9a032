// Fixture documents in the writer's exact layout: reading one and writing it
// back must give the same bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Reads a document from UTF-8 or UTF-16 bytes held in a string; the reader's code.
template <class Doc>
int ReadText(Doc& doc, const std::string& text) {
  return doc.ReadFromMemory(text.data(), text.size());
}

// Writes a document to text, expecting the writer to succeed.
template <class Doc>
std::string Write(const Doc& doc) {
  std::string out;
  EXPECT_EQ(0, doc.WriteToText(out));
  return out;
}

namespace fixtures {

inline constexpr char kResults[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ARDOThreatEngineResults version="4.0.0">
	<summary scanGUID="{6F1C2A9E-0000-4000-8000-000000000001}"
			scanDescription="Quick scan"
			threatDefinitionVersion="3021"
			scannerAborted="false">
		<scannerResults>
			<numThreats found="2"
					ignored="0"/>
			<numTracesScanned registry="4000"
					files="1200"
					total="5200"/>
			<numTracesFound files="3"
					total="3"/>
			<dateTimeStampUTC start="2009-05-12T14:05:00"
					end="2009-05-12T14:09:31"/>
			<errors>
				<error action="1"
						item="C:\locked.sys"
						code="32"
						time="2009-05-12T14:06:00"/>
			</errors>
		</scannerResults>
		<cleanerResults>
			<numThreats deleted="0"
					quarantined="0"
					ignored="0"
					reportonly="0"
					total="0"/>
		</cleanerResults>
	</summary>
	<scannerOptions scanAllLocalDrives="true"
			scanFiles="true"
			maxCheckFileLen="4294967295"
			scanMBR="false">
		<userIncludedPaths>
			<path value="C:\Users"/>
			<path value="D:\Data &amp; more"/>
		</userIncludedPaths>
		<userExcludedPaths/>
		<ignoredThreats>
			<threat id="17"/>
		</ignoredThreats>
	</scannerOptions>
	<cleanerOptions>
		<threatCategoryActions name="Adware"
				action="2"
				id="4"/>
	</cleanerOptions>
	<threats>
		<threat id="101"
				name="Trojan.Fake &lt;x> &apos;a&apos;"
				level="1"
				category="Trojan"
				type="file"
				quarantineId=""
				adviseType="3"
				canQuarantine="true"
				author="Someone"
				optionalScan="0"
				actionRequested="-1"
				cleanerResult="0"
				isHookThreat="false"
				CategoryID="9">
			<authorURL>http://example.invalid/a?b=1&amp;c=2</authorURL>
			<desc>A line
and another ]]&gt; done</desc>
			<threatAdviceDetails/>
			<traces>
				<trace type="1"
						dispValue="C:\bad.exe">
					<attr n="md5"
							v="00ff"/>
					<attr n="size"
							v="1024"/>
				</trace>
				<trace type="2"
						dispValue="HKLM\Software\Bad"/>
			</traces>
		</threat>
		<threat id="4294967295"
				name="Ünïcödé ✓ 𝄞"
				level="5"/>
	</threats>
</ARDOThreatEngineResults>
)";

inline constexpr char kScanConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ScanConfig SchemaVersion="4.0.0"
		DefaultConfig="false"
		DaysToKeepQuarantinedItems="30"
		MaxCheckFileLen="18446744073709551615"
		CheckForUpdatesBeforeScan="true"
		MissedScanActionEnum="-2"
		NextScheduledScanDateTime="2009-05-13T02:00:00"
		ScanDetailCBIntervalMS="500">
	<ScanSchedules>
		<ScanSchedule ScheduleID="1"
				ScanScheduleName="Daily quick"
				ScanType="0"
				StartTime="12:30"
				EnableSun="true"
				Enabled="true">
			<ScanSetting ScanType="0"
					MaxScanThreatLevel="3"/>
		</ScanSchedule>
		<ScanSchedule ScheduleID="2"
				ScanType="1"/>
	</ScanSchedules>
	<ScanSettings>
		<ScanSetting ScanType="2"
				ARDO_OPT_EXCLUDE_REMOVABLE_DRIVES="false"
				PathsToScanEnabled="true">
			<PathsToScan>
				<Paths Path="C:\One"/>
				<Paths Path="C:\Two"/>
			</PathsToScan>
			<PathsToExclude>
				<Paths Path="C:\One\Skip"/>
			</PathsToExclude>
		</ScanSetting>
	</ScanSettings>
	<IgnoredThreats IsDirty="true">
		<IgnoredThreat Source="1"
				Id="42"
				DateTimeAdded="2009-05-12T14:05:00"/>
	</IgnoredThreats>
	<ThreatCategoryActions>
		<ThreatCategoryAction CategoryName="Adware"
				ActionEnum="-1"
				CategoryID="4"/>
	</ThreatCategoryActions>
	<KnownApps IsDirty="false">
		<KnownApp KnownTypeEnum="1"
				Signature="abc"
				FilePath="C:\tool.exe"
				FilePathType="1"
				Dirty="true"
				Source="2"
				DateTimeAdded="2009-05-12T14:05:00"/>
	</KnownApps>
	<SSD>opaque engine data</SSD>
</ScanConfig>
)";

inline constexpr char kAPConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<APConfig SchemaVersion="4.0.0"
		DefaultConfig="false"
		Enabled="false"
		KnownBadApplicationResponseEnum="2"
		IncludeQuarantineOption="true">
	<Monitors>
		<Monitor Type="1"
				ActionEnum="0"
				Enabled="true"/>
		<Monitor Type="2"/>
	</Monitors>
	<UserExtensions IsDirty="false">
		<UserExtension Extension=".exe"
				Source="1"
				Enabled="true"/>
	</UserExtensions>
	<SSD>kept</SSD>
</APConfig>
)";

inline constexpr char kServiceConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ServiceConfig DefaultConfig="false"
		LogLevel="0"
		FileCount="3"
		EmailAV="false"
		LastLoggedInUser="user"
		SiteID="">
	<ProxySettings Enabled="true"
			UseAuth="false"
			Address="127.0.0.1"
			Port="8080"/>
</ServiceConfig>
)";

inline constexpr char kDefinitionUpdateConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<DefinitionUpdateConfig SchemaVersion="4.0.0"
		Enabled="true"
		UpdateInterval="2"
		LastUpdateDateTime="2009-05-12T14:05:00">
	<TROVEConfig BaseURL="http://127.0.0.1/TROVE/trove.aspx"
			ProductID="12"
			StageID="3"
			Language="en"
			Vendor="v"
			RegistrationCode="secret"/>
	<SSD/>
</DefinitionUpdateConfig>
)";

inline constexpr char kNVPairs[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<NVPairs SchemaVersion="4.0.0">
	<NVPair Name="LAST_FULL_SCAN"
			Value="128000000000000000"/>
	<NVPair Name="last_scan_threat_level"
			Value="  -3x"/>
	<NVPair Name="empty"/>
	<SSD>x</SSD>
</NVPairs>
)";

inline constexpr char kAPEvent[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<APEvent SchemaVersion="4.0.0"
		EventTypeEnum="1"
		MonitorID="7"
		MonitorTypeEnum="2"
		IsBlockOk="false"
		EventDateTime="2009-05-12T14:05:00">
	<ParentProcess FilePath="C:\Windows\explorer.exe"
			PID="1234"
			FileSize="18446744073709551615"/>
	<LaunchMonitor FilePath="C:\bad.exe"
			FileSize="2048"
			ThreatID="99"/>
	<RegistryMonitor RegKey="HKLM\Run"
			ValueName="x"
			ValueData="y"/>
	<FileMonitor FilePath="C:\f.dll"/>
	<FinalDispositionInfo DispositionEnum="3"
			QID="{q}"/>
	<SSD>s</SSD>
</APEvent>
)";

inline constexpr char kQuarantine[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ARDOQuarantineRecordXML scanGUID="{g}"
		name="Trojan.Fake"
		quarantineId="{q}"
		dateTimeStampUTC="2009-05-12T14:05:00"
		threatId="101"
		level="1"
		canQuarantine="false">
	<authorURL>http://example.invalid</authorURL>
	<desc>d</desc>
	<threatAdviceDetails/>
	<customData/>
	<fixes>
		<fix traceType="1"
				dispValue="C:\bad.exe"
				actionType="2"
				isTransient="false">
			<originalAttributes>
				<attr n="path"
						v="C:\bad.exe"/>
			</originalAttributes>
			<quarantineAttributes/>
		</fix>
		<fix traceType="2"/>
	</fixes>
</ARDOQuarantineRecordXML>
)";

}  // namespace fixtures
