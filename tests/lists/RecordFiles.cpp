#include "lists/RecordFiles.h"

#include "engine/documents/Binding.h"

namespace lists {

std::string RecordXml(const RecordFields& record) {
  std::wstring x = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOQuarantineRecordXML";
  x += L" scanGUID=\"{00000000-0000-0000-0000-000000000001}\" name=\"" + record.name +
       L"\" type=\"file\" quarantineId=\"" + record.id +
       L"\" category=\"Trojan\" dateTimeStampUTC=\"" + record.stamp +
       L"\" threatId=\"17\" level=\"2\" adviseType=\"3\" canQuarantine=\"true\">\n";
  x += L"\t<authorURL></authorURL>\n";
  if (record.withDesc) x += L"\t<desc>Bad</desc>\n";
  x += L"\t<threatAdviceDetails>Remove it</threatAdviceDetails>\n\t<customData></customData>\n";
  x += L"\t<fixes>\n";
  for (const std::wstring& f : record.fixes)
    x += L"\t\t<fix traceType=\"1\" dispValue=\"" + f +
         L"\" actionType=\"3\" isTransient=\"false\"/>\n";
  x += L"\t</fixes>\n</ARDOQuarantineRecordXML>\n";
  return ToBytes(x);
}

}  // namespace lists
