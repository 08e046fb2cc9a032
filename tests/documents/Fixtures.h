// Fixture documents in the writer's exact layout: reading one and writing it
// back must give the same bytes.
#pragma once

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

}  // namespace fixtures
