"""Catalog of the private data item types of the RLX data protocol, in plain Python.

The same 193 classes as the extension module rlx.data_items.private_data_items,
declared in the same order on the same framework: 174 data items, 18 auxiliary
record classes and the domain information attribute kind.
"""

from rlx.rlx import *
from rlx.private_network_commands import UWBNetworkCommandItem
import math
import reprlib


def _decode_counted(item, bounded):
    """The generic decode of `item`, except that a list attribute named in `bounded`
    is handed only as many bytes as its count allows. `bounded` maps the list's name
    to (name of its count attribute, bytes per element); the count precedes the list
    in the layout, so it has been decoded when the list is reached."""
    for attr in item.definition:
        data = item.di_data
        bound = bounded.get(attr.name)
        if bound is not None:
            count_name, size = bound
            data = data[:getattr(item, count_name) * size]
        value, used = attr._decode(data)
        item.di_data = item.di_data[used:]
        setattr(item, attr.name, value)
    item.di_data = None


@reprlib.recursive_repr("...")
def _record_repr(self):
    """The record's class, then each field it holds by name with its value's own representation."""
    names = [a.name for a in self.definition] if hasattr(type(self), "definition") else _DOMAIN_FIELDS
    held = [(n, getattr(self, n)) for n in names if hasattr(self, n)]
    return "%s(%s)" % (type(self).__name__, ", ".join("%s=%r" % kv for kv in held))


_DOMAIN_FIELDS = ("nt64", "domaint", "quality", "slope", "intercept")


def _command_class(command_type):
    """The class registered for a network command type. An unregistered type gets a
    placeholder class, registered at once so that later commands of the type share it."""
    classes = ExecuteDeviceCommandV2.cmd_classes
    try:
        return classes[command_type]
    except KeyError:
        name = "Unknown0x{:02X}".format(command_type)
        placeholder = type(name, (UWBNetworkCommandItem,), {"type": command_type})
        classes[command_type] = placeholder
        return placeholder


class UserDefinedCommandV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol User Defined Command Data Item Definition"""
    type = 0x000B
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("command_type"),
        DIVariableLengthBytesAttr("payload"),
    ]


class PinStateReportV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin State Report Data Item Definition"""
    type = 0x000C
    definition = [
        DIUInt32Attr("gnt"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F


class PinConfig:
    """Pin Config Class Definition"""
    definition = [
        DIUInt8Attr("data"),
    ]

    def __init__(self, data=0):
        self.data = data

    def get_poll_interval(self):
        return self.data >> 5

    def get_change_report_flag(self):
        return (self.data & 0x18) >> 3

    def get_pin_configuration(self):
        return self.data & 0x07

    def __str__(self):
        return str(self.data)

    __repr__ = __str__

    def __eq__(self, other):
        if isinstance(other, PinConfig):
            return self.data == other.data
        if isinstance(other, int):
            return self.data == other
        return False


class PinConfigurationReportV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Report Data Item Definition"""
    type = 0x000D
    definition = [
        DIUInt32Attr("gnt"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
        DIListAttr("pin_configurations", PinConfig),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F

    def add_pin_configurations(self, data):
        self.pin_configurations.append(PinConfig(data))


class PinConfiguration(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Data Item Definition"""
    type = 0x000E
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
        DIListAttr("config_options", PinConfig),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F

    def get_send_report_flag(self):
        return self.pin_bank >> 7 != 0

    def add_pin_configurations(self, data):
        self.config_options.append(PinConfig(data))


class NavigationModePosition(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Navigation Mode Position Data Item Definition"""
    type = 0x0120
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("position_x"),
        DIUInt32Attr("position_y"),
        DIUInt32Attr("position_z"),
    ]


class RFSchedule(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Schedule Data Item Definition"""
    type = 0x0122
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("packet_type"),
        DIUInt32Attr("start_time"),
        DIUInt32Attr("repeat_rate"),
    ]


class PinStateReportV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin State Report Data Item Definition"""
    type = 0x0146
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("gnt"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F


class PinStateReportV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin State Report Data Item Definition"""
    type = 0x0174
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt64Attr("nt64"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F


class PinConfigurationReportV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Report Data Item Definition"""
    type = 0x0147
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("gnt"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
        DIListAttr("pin_configurations", PinConfig),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F

    def add_pin_configurations(self, data):
        self.pin_configurations.append(PinConfig(data))


class PinConfigurationReportV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Report Data Item Definition"""
    type = 0x0175
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("nt64"),
        DIUInt8Attr("pin_bank"),
        DIUInt8Attr("pin_mask"),
        DIListAttr("pin_configurations", PinConfig),
    ]

    def get_reported_pin_bank(self):
        return self.pin_bank & 0x1F

    def add_pin_configurations(self, data):
        self.pin_configurations.append(PinConfig(data))


class DiagnosticAlert(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Diagnostic Alert Data Item Definition"""
    type = 0x0180
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt16Attr("diagnostic_code"),
        DIUInt8Attr("state"),
        DIVariableLengthStrAttr("message"),
    ]


class TickV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Tick Data Item Definition"""
    type = 0x8000
    definition = [
        DIUInt8Attr("sequence"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt16Attr("source_id"),
        DIUInt32Attr("gnt"),
        DIUInt8Attr("gnt_quality"),
        DIUInt32Attr("announce_offset"),
        DIUInt8Attr("announce_prob"),
        DIUInt8Attr("cmd_countdown"),
        DIUInt8Attr("cmd_count"),
        DIUInt32Attr("sync_period"),
        DIUInt64Attr("tx_timestamp"),
    ]


class TimedRxV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type = 0x8001
    definition = [
        DIUInt8Attr("sequence"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt16Attr("source_id"),
        DIUInt8Attr("rx_packet_type"),
        DIUInt64Attr("tx_timestamp"),
        DIUInt64Attr("rx_timestamp"),
        DISignalStrengthAttr("signal_strength"),
    ]


class PingV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type = 0x8002
    definition = [
        DIUInt8Attr("sequence"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt16Attr("source_id"),
        DIUInt8Attr("flags"),
        DIUInt64Attr("rx_timestamp"),
        DISignalStrengthAttr("signal_strength"),
        DIVariableLengthBytesAttr("payload"),
    ]


class DiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Discovery Data Item Definition"""
    type = 0x8003
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("rx_timestamp"),
        DISignalStrengthAttr("signal_strength"),
    ]


class SSPV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol SSP Data Item Definition"""
    type = 0x8004
    definition = [
        DIUInt8Attr("response_type"),
    ]


class SmoothingFactorV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Smoothing Factor Data Item Definition"""
    type = 0x8005
    definition = [
        DIUInt16Attr("src_address"),
        DIUInt16Attr("dest_address"),
        DIUInt32Attr("smoothing_factor"),
    ]


class ConfigurationDumpV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Configuration Dump Data Item Definition"""
    type = 0x8006
    definition = [
        DIVariableLengthBytesAttr("binary_config_data"),
    ]


class PositionStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Position Stats Data Item Definition"""
    type = 0x8007
    definition = [
        DIInt32Attr("x0"),
        DIInt32Attr("y0"),
        DIInt32Attr("z0"),
        DIUInt16Attr("iterations"),
    ]


class AnchorResiduals(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type = 0x8008
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt64Attr("rx_timestamp"),
        DIUInt32Attr("weight"),
        DIInt32Attr("adjustment_magnitude"),
    ]


class ImageNotificationV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Image Notification Data Item Definition"""
    type = 0x800A
    definition = [
        DIUInt8Attr("image_type"),
        DIFixedLengthStrAttr("image_version", 32),
        DIFixedLengthBytesAttr("image_sha1", 20),
        DIUInt32Attr("image_size"),
        DIUInt16Attr("sector_size"),
        DISerialNumberAttr("image_serial"),
        DIFixedLengthBytesAttr("hardware_match", 20),
    ]


class ImageRequestV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Image Request Data Item Definition"""
    type = 0x800B
    definition = [
        DISerialNumberAttr("image_serial"),
        DIUInt32Attr("sha1_end"),
        DIUInt16Attr("sector_number"),
    ]


class ImageSectorV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Image Sector Data Item Definition"""
    type = 0x800C
    definition = [
        DISerialNumberAttr("image_serial"),
        DIUInt32Attr("sha1_end"),
        DIUInt16Attr("sector_number"),
        DIVariableLengthBytesAttr("sector"),
    ]


class IPDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol IP Discovery Data Item Definition"""
    type = 0x800D
    definition = [
        DIUInt32Attr("transaction_id"),
        DIFixedLengthBytesAttr("mac_address", 6),
        DIUInt32Attr("ip_address"),
        DIUInt32Attr("subnet_mask"),
        DIUInt32Attr("default_gateway"),
        DIUInt16Attr("vlan_id"),
        DIUInt8Attr("config_type"),
        DIUInt32Attr("listen_ip"),
    ]


class IPAssignmentV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol IP Assignment Data Item Definition"""
    type = 0x800E
    definition = [
        DIUInt32Attr("transaction_id"),
        DIFixedLengthBytesAttr("mac_address", 6),
        DIUInt32Attr("ip_address"),
        DIUInt32Attr("subnet_mask"),
        DIUInt32Attr("default_gateway"),
        DIUInt16Attr("vlan_id"),
        DIUInt8Attr("config_type"),
    ]


class WiredDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Wired Discovery Data Item Definition"""
    type = 0x800F
    definition = [
        DIUInt8Attr("hardware_version"),
        DISerialNumberAttr("server_instance"),
        DIUInt64Attr("capabilities"),
        DIVariableLengthBytesAttr("payload"),
    ]

    def get_hardware_version(self):
        return self.hardware_version & 0x1F


class TimedRxV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type = 0x8010
    definition = [
        DIUInt64Attr("tx_dt40"),
        DIUInt64Attr("tx_nt64"),
        DIUInt64Attr("rx_dt40"),
        DIUInt64Attr("rx_nt64"),
        DISerialNumberAttr("source_serial_number"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("tx_nt_quality"),
        DIUInt8Attr("rx_nt_quality"),
        DIUInt8Attr("rx_packet_type"),
    ]


class TimedRxV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type = 0x8011
    definition = [
        DIUInt64Attr("tx_dt40"),
        DIUInt64Attr("tx_nt64"),
        DIUInt64Attr("rx_dt40"),
        DIUInt64Attr("rx_nt64"),
        DISerialNumberAttr("source_serial_number"),
        DICondensedSignalStrengthAttr("condensed_signal_strength"),
        DIUInt8Attr("tx_nt_quality"),
        DIUInt8Attr("rx_nt_quality"),
        DIUInt8Attr("rx_packet_type"),
    ]


class ExecuteDeviceCommandV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Execute Device Command Data Item Definition"""
    type = 0x8012
    definition = [
        DIUInt32Attr("destination_group"),
        DIUInt16Attr("command_type_length"),
        DIVariableLengthBytesAttr("command_data"),
    ]

    def get_command_type(self):
        return self.command_type_length >> 10

    def get_command_length(self):
        return self.command_type_length & 0x3FF


class PingV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type = 0x8013
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt16Attr("sequence"),
        DIUInt8Attr("beacon_type"),
        DIUInt8Attr("nt_quality"),
        DIUInt64Attr("dt40"),
        DIUInt64Attr("nt64"),
        DISignalStrengthAttr("signal_strength"),
        DIVariableLengthBytesAttr("payload"),
    ]


class PingV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type = 0x8014
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt16Attr("sequence"),
        DIUInt8Attr("packet_type"),
        DIUInt8Attr("nt_quality"),
        DIUInt64Attr("dt40"),
        DIUInt64Attr("nt64"),
        DICondensedSignalStrengthAttr("condensed_signal_strength"),
        DIVariableLengthBytesAttr("payload"),
    ]


class TickV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Tick Data Item Definition"""
    type = 0x8015
    definition = [
        DIUInt64Attr("nt64"),
        DIUInt64Attr("dt40"),
        DIUInt8Attr("nt_quality"),
    ]


class PortInformation:
    """Port Information Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt16Attr("voltage"),
        DIUInt16Attr("current"),
    ]

    def __init__(self, voltage=0, current=0):
        self.voltage = voltage
        self.current = current

    def __str__(self):
        return f"{self.voltage!s}, {self.current!s}"


class PowerReport(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Power Report Data Item Definition"""
    type = 0x8016
    definition = [
        DIUInt8Attr("port_mask"),
        DIUInt8Attr("output_enable_mask"),
        DIListAttr("port_information", PortInformation),
    ]

    def add_port_information(self, voltage=0, current=0):
        self.port_information.append(PortInformation(voltage, current))


class SyncStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Data Item Definition"""
    type = 0x8017
    definition = [
        DIUInt64Attr("tx_dt64"),
        DIDoubleAttr("error"),
        DIDoubleAttr("clock_adjustment"),
    ]


class DomainInformation:
    """Domain Information: Domain Information Class Definition """
    __repr__ = _record_repr

    def __init__(self):
        self.nt64 = 0
        self.domaint = 0
        self.quality = 0
        self.slope = 0.0
        self.intercept = 0

    def __str__(self):
        # A format string filled with the values ("{}, {}, {}, {}, {}".format), unlike the records' str() join.
        return f"{self.nt64}, {self.domaint}, {self.quality}, {self.slope}, {self.intercept}"


class DIDomainInfoAttr(DataItemAttribute):
    """Data Item Attribute: RLX Data Item Domain Information Attribute Class Definition"""

    def __init__(self, name):
        super().__init__(name, "QQqfq", 36, DomainInformation())

    def _encode(self, domain_info):
        return struct.pack("<QQqfq", domain_info.nt64, domain_info.domaint, domain_info.quality,
                           domain_info.slope, domain_info.intercept)

    def _decode(self, data):
        info = DomainInformation()
        info.nt64, info.domaint, info.quality, info.slope, info.intercept = struct.unpack_from("<QQqfq", data)
        return info, 36


class ClockDomain(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock Domain Data Item Definition"""
    type = 0x8018
    definition = [
        DIDomainInfoAttr("proc_domain"),
        DIDomainInfoAttr("deca_domain"),
    ]


class DecawaveStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Decawave Stats Data Item Definition"""
    type = 0x8019
    definition = [
        DIUInt32Attr("phr_error"),
        DIUInt32Attr("rsd_error"),
        DIUInt32Attr("fcs_good"),
        DIUInt32Attr("fcs_error"),
        DIUInt32Attr("rx_filter_rejection"),
        DIUInt32Attr("rx_overrun_error"),
        DIUInt32Attr("sfd_timeout"),
        DIUInt32Attr("preamble_timeout"),
        DIUInt32Attr("rx_wait_timeout"),
        DIUInt32Attr("tx_sent"),
        DIUInt32Attr("half_period_warning"),
        DIUInt32Attr("tx_power_up_warning"),
    ]


class UWBDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type = 0x801A
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt32Attr("server_instance"),
        DIUInt64Attr("nt64"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("nt_quality"),
        DIUInt8Attr("hardware_version"),
        DIVariableLengthBytesAttr("payload"),
    ]

    def get_hardware_version(self):
        return self.hardware_version & 0x1F


class NetworkTraffic(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Traffic Data Item Definition"""
    type = 0x801B
    definition = [
        DIUInt32Attr("server_ip"),
        DIUInt16Attr("server_port"),
    ]


class NetworkLockV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Lock Data Item Definition"""
    type = 0x801C
    definition = [
        DIUInt64Attr("dt40"),
        DIUInt64Attr("nt64"),
        DIFloatAttr("adjustment"),
    ]


class ClockNTDTV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and DT Data Item Definition"""
    type = 0x801D
    definition = [
        DIUInt64Attr("nt64"),
        DIUInt64Attr("dt64"),
        DISignalStrengthAttr("signal_strength"),
        DIDoubleAttr("ntdt_slope"),
        DIDoubleAttr("dtnt_slope"),
        DIInt64Attr("ntdt_error"),
        DIInt64Attr("dtnt_error"),
    ]


class ClockPTDT(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock PT and DT Data Item Definition"""
    type = 0x801E
    definition = [
        DIUInt64Attr("pt64"),
        DIUInt64Attr("dt64"),
        DISignalStrengthAttr("signal_strength"),
        DIDoubleAttr("ptdt_slope"),
        DIDoubleAttr("dtpt_slope"),
        DIInt64Attr("ptdt_error"),
        DIInt64Attr("dtpt_error"),
    ]


class ClockNTPTV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and PT Data Item Definition"""
    type = 0x801F
    definition = [
        DIUInt64Attr("nt64"),
        DIUInt64Attr("pt64"),
        DISignalStrengthAttr("signal_strength"),
        DIDoubleAttr("ntpt_slope"),
        DIDoubleAttr("ptnt_slope"),
        DIInt64Attr("ntpt_error"),
        DIInt64Attr("ptnt_error"),
    ]


class UWBNetworkStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Network Stats Data Item Definition"""
    type = 0x8020
    definition = [
        DIUInt32Attr("irq_handler"),
        DIUInt32Attr("irq_spurious_event"),
        DIUInt32Attr("irq_read_buffer_error"),
        DIUInt32Attr("tx_total"),
        DIUInt32Attr("tx_time_error"),
        DIUInt32Attr("tx_quality_error"),
        DIUInt32Attr("tx_callback"),
        DIUInt32Attr("tx_task_busy_error"),
        DIUInt32Attr("tx_task_launch_error"),
        DIUInt32Attr("tx_task"),
        DIUInt32Attr("tx_app_callback"),
        DIUInt32Attr("rx_callback"),
        DIUInt32Attr("rx_task_busy_error"),
        DIUInt32Attr("rx_task_launch_error"),
        DIUInt32Attr("rx_task"),
        DIUInt32Attr("rx_app_callback"),
    ]


class SystemOwnershipRequest(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol System Ownership Request Data Item Definition"""
    type = 0x8021
    definition = [
        DIUInt8Attr("version"),
    ]


class UserDataConfiguration(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol User Data Configuration Data Item Definition"""
    type = 0x8022
    definition = [
        DIUInt8Attr("size"),
        DIUInt8Attr("headroom"),
        DIUInt8Attr("frequency"),
    ]


class SystemOwnershipReply(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol System Ownership Reply Data Item Definition"""
    type = 0x8023
    definition = [
        DIUInt8Attr("rf_channel"),
        DIUInt8Attr("rf_prf"),
        DIUInt8Attr("preamble_code"),
        DIUInt16Attr("tag_count"),
        DISerialNumberListAttr("serial_numbers"),
    ]

    def add_serial_number(self, serial_number):
        self.serial_numbers.append(NorvaneSerialNumber(serial_number))


class InactiveSerialNumbers(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Inactive Serial Numbers Data Item Definition"""
    type = 0x8024
    definition = [
        DISerialNumberListAttr("serial_numbers"),
    ]

    def add_serial_number(self, serial_number):
        self.serial_numbers.append(NorvaneSerialNumber(serial_number))


class TimedRxV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type = 0x8025
    definition = [
        DIUInt64Attr("tx_dt40"),
        DIUInt64Attr("tx_nt64"),
        DIUInt64Attr("rx_dt40"),
        DIUInt64Attr("rx_nt64"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("source_interface_id"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("tx_nt_quality"),
        DIUInt8Attr("rx_nt_quality"),
        DIUInt8Attr("rx_packet_type"),
    ]


class PingV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type = 0x8026
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt16Attr("sequence"),
        DIUInt8Attr("beacon_type"),
        DIUInt8Attr("nt_quality"),
        DIUInt64Attr("dt40"),
        DIUInt64Attr("nt64"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("interface_id"),
        DIVariableLengthBytesAttr("payload"),
    ]


class UWBDiscoveryV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type = 0x8027
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("nt64"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("nt_quality"),
        DIUInt8Attr("hardware_version"),
        DIUInt32Attr("recovery_sha1"),
        DIUInt32Attr("bootloader_sha1"),
        DIUInt32Attr("firmware_sha1"),
        DIVariableLengthBytesAttr("payload"),
    ]

    def get_hardware_version(self):
        return self.hardware_version & 0x1F

    def get_ota_upgrade(self):
        return self.hardware_version & 0x20 != 0


class UWBDiscoveryV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type = 0x8028
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("nt64"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("nt_quality"),
        DIUInt8Attr("hardware_version"),
        DIUInt32Attr("recovery_sha1"),
        DIUInt32Attr("bootloader_sha1"),
        DIUInt32Attr("firmware_sha1"),
        DIVariableLengthBytesAttr("payload"),
    ]

    def get_hardware_version(self):
        return self.hardware_version & 0x1F

    def get_ota_upgrade(self):
        return self.hardware_version & 0x20 != 0


class ExecuteDeviceCommandV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Execute Device Command Data Item Definition"""
    type = 0x8029
    definition = [
        DIListAttr("commands", UWBNetworkCommandItem),
    ]
    # Command type -> command class, one registry for the whole process.
    cmd_classes = {}

    @classmethod
    def register_cmd_item(cls, cmd_class):
        cls.cmd_classes[cmd_class.type] = cmd_class

    @classmethod
    def get_known_cmd_types(cls):
        print(", ".join("0x{:02X}".format(t) for t in sorted(cls.cmd_classes)))

    def add_uwb_network_command(self, destination_group=0, type=0, length=0, data=0):
        self.commands.append(_command_class(type)(destination_group, length, data))

    def _encode(self):
        body = b"".join([command._encode(2) for command in self.commands])
        self.di_size = len(body)
        return struct.pack("<HH", self.type, self.di_size) + body

    def _decode(self):
        self.commands = []
        while self.di_data:
            data = self.di_data
            group, command_type, length = struct.unpack_from("<IBH", data)
            self.commands.append(_command_class(command_type)(group, length, data[7:7 + length]))
            self.di_data = data[7 + length:]
        self.di_data = None

    def __str__(self):
        lines = ["0x{:04X}, {}:".format(self.type, self.di_size)]
        lines.extend(str(command) for command in self.commands)
        return "\n".join(lines)


class TickV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Tick Data Item Definition"""
    type = 0x802A
    definition = [
        DIUInt64Attr("nt64"),
        DIUInt64Attr("dt40"),
        DIUInt8Attr("nt_quality"),
        DIUInt8Attr("interface_id"),
    ]


class DBChanged(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol DB Changed Data Item Definition"""
    type = 0x802B
    definition = []


class NetworkLockV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Lock Data Item Definition"""
    type = 0x802E
    definition = [
        DIUInt64Attr("dt64"),
        DIUInt64Attr("nt64"),
        DIFloatAttr("adjustment"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("nt_quality"),
    ]


class SendDeviceCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Send Device Command Data Item Definition"""
    type = 0x8030
    definition = [
        DISerialNumberAttr("serial_number"),
        DIVariableLengthBytesAttr("debug_data"),
    ]


class AnchorResidualsV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type = 0x8031
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("interface_id"),
        DIUInt64Attr("rx_timestamp"),
        DIUInt32Attr("weight"),
        DIInt32Attr("adjustment_magnitude"),
    ]


class ClockNTDTV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and DT Data Item Definition"""
    type = 0x8032
    definition = [
        DIUInt8Attr("interface_id"),
        DIUInt64Attr("nt64"),
        DIUInt64Attr("dt64"),
        DIDoubleAttr("ntdt_slope"),
        DIDoubleAttr("dtnt_slope"),
        DIInt64Attr("ntdt_error"),
        DIInt64Attr("dtnt_error"),
    ]


class ClockNTPTV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and PT Data Item Definition"""
    type = 0x8033
    definition = [
        DIUInt64Attr("nt64"),
        DIUInt64Attr("pt64"),
        DIDoubleAttr("ntpt_slope"),
        DIDoubleAttr("ptnt_slope"),
        DIInt64Attr("ntpt_error"),
        DIInt64Attr("ptnt_error"),
    ]


class ClockSeeder(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock Seeder Data Item Definition"""
    type = 0x8034
    definition = [
        DIUInt64Attr("nt64"),
        DIUInt8Attr("interface_id"),
        DISerialNumberAttr("serial_number"),
    ]


class ClockDT(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock DT Data Item Definition"""
    type = 0x8035
    definition = [
        DIUInt8Attr("interface_id"),
        DIUInt64Attr("dt64_adjusted"),
        DIUInt64Attr("dt64_raw"),
        DISignalStrengthAttr("signal_strength"),
    ]


class ContentDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Discovery Data Item Definition"""
    type = 0x8036
    definition = [
        DIFixedLengthBytesAttr("sha256", 32),
    ]


class ContentNotificationV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Notification Data Item Definition"""
    type = 0x8037
    definition = [
        DIFixedLengthBytesAttr("sha256", 32),
        DIUInt64Attr("content_size"),
        DIUInt16Attr("sector_size"),
    ]


class ContentRequestV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Request Data Item Definition"""
    type = 0x8038
    definition = [
        DIUInt64Attr("sha256_end"),
        DIUInt32Attr("sector_number"),
    ]


class ContentSectorV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Sector Data Item Definition"""
    type = 0x8039
    definition = [
        DIUInt64Attr("sha256_end"),
        DIUInt32Attr("sector_number"),
        DIVariableLengthBytesAttr("sector"),
    ]


class Ack(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Acknowledge Data Item Definition"""
    type = 0x803A
    definition = [
        DISerialNumberAttr("source_serial_number"),
    ]


class NetworkLockV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Lock Data Item Definition"""
    type = 0x803B
    definition = [
        DIUInt64Attr("intercept"),
        DIFloatAttr("adjustment"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("nt_quality"),
    ]


class BridgeCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Bridge Command Data Item Definition"""
    type = 0x803C
    definition = [
        DIUInt8Attr("type"),
        DIUInt16Attr("size"),
        DIVariableLengthBytesAttr("data"),
    ]


class RLXBandwidthTestCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RLX Bandwidth Test Command Data Item Definition"""
    type = 0x803E
    definition = [
        DIUInt16Attr("packet_length"),
        DIUInt16Attr("packet_interval"),
        DIUInt16Attr("test_duration"),
    ]


class RLXBandwidthTestPacket(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RLX Bandwidth Test Packet Data Item Definition"""
    type = 0x803F
    definition = [
        DIUInt16Attr("sequence"),
        DIVariableLengthBytesAttr("data"),
    ]


class UWBDiscoveryV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type = 0x8040
    definition = [
        DIUInt64Attr("nt64"),
        DISignalStrengthAttr("signal_strength"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("nt_quality"),
        DIUInt8Attr("announce_header"),
        DISerialNumberAttr("server_instance"),
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("sequence_number_and_capabilities"),
        DIUInt32Attr("firmware_IVSHA_ending"),
        DIVariableLengthBytesAttr("optional_capability_data"),
    ]


class DevicesReady(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Devices Ready Data Item Definition"""
    type = 0x8041
    definition = [
        DIUInt32Attr("server_instance"),
    ]


class EthernetTimedRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Timed Rx Data Item Definition"""
    type = 0x8043
    definition = [
        DIUInt16Attr("sequence"),
        DIUInt64Attr("rx_dt64"),
        DIUInt64Attr("rx_nt64"),
        DIUInt64Attr("rx_pt64"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("tx_nt_quality"),
        DIUInt8Attr("rx_nt_quality"),
    ]


class EthernetTick(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Tick Data Item Definition"""
    type = 0x8044
    definition = [
        DIUInt64Attr("tx_nt64"),
        DIUInt64Attr("tx_pt64"),
        DIUInt8Attr("nt_quality"),
    ]


class ServerReady(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Server Ready Data Item Definition"""
    type = 0x8045
    definition = [
        DIUInt32Attr("server_instance"),
    ]


class SyncStatsV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Data Item Definition"""
    type = 0x8046
    definition = [
        DIUInt64Attr("tx_dt64"),
        DIDoubleAttr("tx_avg_error"),
        DIDoubleAttr("tx_std_dev_error"),
        DIDoubleAttr("tx_error_count"),
        DIDoubleAttr("rx_avg_error"),
        DIDoubleAttr("rx_std_dev_error"),
        DIDoubleAttr("rx_error_count"),
        DIUInt64Attr("tx_intercept_nt"),
        DIUInt64Attr("tx_intercept_dt"),
        DIUInt64Attr("rx_intercept_nt"),
        DIUInt64Attr("rx_intercept_dt"),
        DIDoubleAttr("clock_adjustment"),
        DIUInt16Attr("tx_locked_count"),
        DIUInt16Attr("tx_locking_count"),
        DIUInt16Attr("rx_locked_count"),
        DIUInt16Attr("rx_locking_count"),
    ]


class ContentSectorV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Sector Data Item Definition"""
    type = 0x8047
    definition = [
        DIFixedLengthBytesAttr("sha256", 32),
        DIFixedLengthStrAttr("version_string", 32),
        DIUInt64Attr("content_size"),
        DIUInt32Attr("sector_size"),
        DIUInt32Attr("sector_count"),
        DIUInt32Attr("sector_index"),
        DIVariableLengthBytesAttr("data"),
    ]


class ProcessorStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Processor Stats Data Item Definition"""
    type = 0x8048
    definition = [
        DIUInt32Attr("processor_uptime"),
        DIUInt32Attr("memory_available"),
        DIUInt8Attr("reset_type"),
        DIVariableLengthBytesAttr("abort_info"),
    ]


class UWBStackStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Stats Data Item Definition"""
    type = 0x8049
    definition = [
        DIUInt32Attr("sync_attempts"),
        DIUInt32Attr("sync_failures"),
    ]


class UWBStackNetworkInterfaceStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Network Interface Stats Data Item Definition"""
    type = 0x804A
    definition = [
        DIUInt32Attr("identifier"),
        DIUInt32Attr("tx_event_callback"),
        DIUInt32Attr("rx_event_callback"),
        DIUInt32Attr("schedule_tx_success"),
        DIUInt32Attr("schedule_tx_failure"),
        DIUInt32Attr("schedule_rx_success"),
        DIUInt32Attr("schedule_rx_failure"),
        DIUInt32Attr("schedule_config_success"),
        DIUInt32Attr("schedule_config_failure"),
    ]


class UWBStackNetworkLayerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Network Layer Stats Data Item Definition"""
    type = 0x804B
    definition = [
        DIUInt32Attr("network_create"),
        DIUInt32Attr("network_add_itf_success"),
        DIUInt32Attr("network_add_itf_failure"),
        DIUInt32Attr("network_repeated_event_missed"),
        DIUInt32Attr("network_one_time_event_missed"),
        DIUInt32Attr("schedule_task_success"),
        DIUInt32Attr("schedule_task_failure"),
        DIUInt32Attr("remove_event"),
        DIUInt32Attr("schedule_event_success"),
        DIUInt32Attr("schedule_event_failure"),
        DIUInt32Attr("destroy_event"),
        DIUInt64Attr("current_nt"),
        DIUInt64Attr("current_dt"),
        DIUInt32Attr("nt_pt_update"),
        DIUInt32Attr("nt_pt_large_slope_jump"),
        DIUInt32Attr("nt_pt_duplicate_time"),
        DIUInt32Attr("nt_pt_past_time"),
        DIUInt32Attr("nt_dt_update"),
        DIUInt32Attr("nt_dt_large_slope_jump"),
        DIUInt32Attr("nt_dt_duplicate_time"),
        DIUInt32Attr("nt_dt_past_time"),
        DIUInt64Attr("time_on_network"),
        DIUInt32Attr("ssel_nt_pt_terrible"),
        DIUInt32Attr("ssel_nt_delta_off"),
        DIUInt32Attr("ssel_quality_below_min"),
        DIUInt32Attr("ssel_missing_timestamp"),
        DIUInt32Attr("seeder_id"),
        DIUInt8Attr("ssel_state"),
        DIUInt8Attr("nt_dt_quality"),
        DIUInt32Attr("ssel_missed_phase_commands"),
        DIUInt32Attr("ssel_missed_recovery_commands"),
        DIUInt16Attr("ssel_max_widening_factor"),
    ]


class UWBStackEventManagerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Event Manager Stats Data Item Definition"""
    type = 0x804C
    definition = [
        DIUInt32Attr("identifier"),
        DIUInt32Attr("add_transmit_immediate"),
        DIUInt32Attr("add_transmit_in_future"),
        DIUInt32Attr("add_transmit_in_past"),
        DIUInt32Attr("add_transmit_success"),
        DIUInt32Attr("add_transmit_failure"),
        DIUInt32Attr("add_receive_immediate"),
        DIUInt32Attr("add_receive_in_future"),
        DIUInt32Attr("add_receive_already_started"),
        DIUInt32Attr("add_receive_in_past"),
        DIUInt32Attr("add_receive_success"),
        DIUInt32Attr("add_receive_failure"),
        DIUInt32Attr("add_config_immediate"),
        DIUInt32Attr("add_config_in_future"),
        DIUInt32Attr("add_config_success"),
        DIUInt32Attr("add_config_failure"),
        DIUInt32Attr("remove_event_success"),
        DIUInt32Attr("remove_event_failure"),
        DIUInt32Attr("reset"),
        DIUInt32Attr("task_config"),
        DIUInt32Attr("task_stop_receive"),
        DIUInt32Attr("task_start_receive"),
        DIUInt32Attr("task_transmit"),
        DIUInt32Attr("task_wake"),
        DIUInt32Attr("handler_wake_success"),
        DIUInt32Attr("handler_tx_failure"),
        DIUInt32Attr("handler_tx_success"),
        DIUInt32Attr("handler_tx_start"),
        DIUInt32Attr("handler_tx_capture"),
        DIUInt32Attr("handler_rx_failure"),
        DIUInt32Attr("handler_rx_success"),
        DIUInt32Attr("handler_rx_start"),
        DIUInt32Attr("lde_done"),
        DIUInt32Attr("tx_callback"),
        DIUInt32Attr("rx_callback"),
        DIUInt32Attr("rx_valid_data"),
        DIUInt32Attr("task_irq_process"),
        DIUInt32Attr("rx_timeout"),
        DIUInt32Attr("tx_at_nt_dt"),
        DIUInt32Attr("tx_at_dt_pt"),
        DIUInt32Attr("tx_now"),
        DIUInt32Attr("timeout_wake"),
        DIUInt32Attr("timeout_tx_preamble"),
        DIUInt32Attr("timeout_tx_end"),
        DIUInt32Attr("tx_blocked_by_rx"),
        DIUInt32Attr("tx_blocked_by_tx"),
        DIUInt32Attr("tx_blocked_by_wake"),
        DIUInt32Attr("tx_blocked_by_sleep"),
        DIUInt32Attr("low_power_state_changed_to_sleep"),
        DIUInt32Attr("low_power_state_changed_to_idle"),
        DIUInt32Attr("low_power_state_changed_to_receive"),
        DIUInt32Attr("rx_buffers_full"),
        DIUInt32Attr("tx_zero_length"),
    ]


class UWBStackLinkLayerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Link Layer Stats Data Item Definition"""
    type = 0x804D
    definition = [
        DIUInt32Attr("uwb_event_manager_create"),
    ]


class UWBStackPhysicalLayerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Physical Layer Stats Data Item Definition"""
    type = 0x804E
    definition = [
        DIUInt32Attr("uwb_device_create_success"),
        DIUInt32Attr("uwb_device_create_error"),
        DIUInt32Attr("uwb_device_destroy"),
        DIUInt32Attr("uwb_device_state_create_error"),
        DIUInt32Attr("uwb_device_config_create_error"),
        DIUInt32Attr("dw1000_create_failure"),
    ]


class UWBStackDeviceStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Device Stats Data Item Definition"""
    type = 0x804F
    definition = [
        DIUInt32Attr("identifier"),
        DIUInt64Attr("bytes_received"),
        DIUInt64Attr("bytes_transmitted"),
        DIUInt32Attr("configure"),
        DIUInt32Attr("irq_handler"),
        DIUInt32Attr("irq_handler_loop"),
        DIUInt32Attr("cplock"),
        DIUInt32Attr("irq_handled"),
        DIUInt32Attr("txfrb"),
        DIUInt32Attr("txprs"),
        DIUInt32Attr("txphs"),
        DIUInt32Attr("txfrs"),
        DIUInt32Attr("txberr"),
        DIUInt32Attr("hpdwarn"),
        DIUInt32Attr("rxprd"),
        DIUInt32Attr("rxsfdto"),
        DIUInt32Attr("rxsfdd"),
        DIUInt32Attr("rxphe"),
        DIUInt32Attr("rxphd"),
        DIUInt32Attr("rxrfsl"),
        DIUInt32Attr("rxrfto"),
        DIUInt32Attr("rxdfr"),
        DIUInt32Attr("rxfcg"),
        DIUInt32Attr("rxfce"),
        DIUInt32Attr("lde_not_done"),
        DIUInt32Attr("receiver_reset"),
        DIUInt32Attr("dcs_passed"),
        DIUInt32Attr("dcs_failed"),
        DIUInt32Attr("go_to_idle"),
        DIUInt32Attr("go_to_sleep"),
        DIUInt32Attr("tx_now"),
        DIUInt32Attr("tx_at"),
        DIUInt32Attr("tx_error_sync_clock_reset"),
        DIUInt32Attr("go_to_rx"),
        DIUInt32Attr("tx_data_too_big"),
        DIUInt32Attr("rxoverr"),
        DIUInt32Attr("temperature"),
        DIUInt32Attr("rx_hpdwarn"),
        DIUInt32Attr("rxpto"),
        DIUInt32Attr("txpute"),
    ]


class ParticleUpdater(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Particle Updater Data Item Definition"""
    type = 0x8050
    definition = [
        DIUInt8Attr("flags"),
    ]

    def get_almanac_flag(self):
        return self.flags & 0x20 != 0

    def get_firmware_flag(self):
        return self.flags & 0x40 != 0

    def get_content_flag(self):
        return self.flags & 0x80 != 0


class DebugTraffic(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Debug Traffic Data Item Definition"""
    type = 0x8051
    definition = [
        DIUInt32Attr("server_ip"),
        DIUInt16Attr("server_port"),
    ]


class UWBSnifferPacket(RLXDataItem):
    type = 0x8052
    definition = [
        DIVariableLengthBytesAttr("data"),
    ]


class SyncStatsV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Data Item Definition"""
    type = 0x8053
    definition = [
        DIUInt64Attr("tx_dt64"),
        DIDoubleAttr("tx_avg_error"),
        DIDoubleAttr("tx_std_dev_error"),
        DIDoubleAttr("tx_error_count"),
        DIDoubleAttr("rx_avg_error"),
        DIDoubleAttr("rx_std_dev_error"),
        DIDoubleAttr("rx_error_count"),
        DIUInt64Attr("tx_intercept_nt"),
        DIUInt64Attr("tx_intercept_dt"),
        DIUInt64Attr("rx_intercept_nt"),
        DIUInt64Attr("rx_intercept_dt"),
        DIDoubleAttr("clock_adjustment"),
        DIUInt16Attr("tx_locked_count"),
        DIUInt16Attr("tx_locking_count"),
        DIUInt16Attr("rx_locked_count"),
        DIUInt16Attr("rx_locking_count"),
        DIUInt64Attr("tx_rogue_node_fail_count"),
        DIUInt64Attr("tx_twr_threshold_fail_count"),
        DIUInt64Attr("tx_invalid_range_count"),
        DIUInt64Attr("rx_rogue_node_fail_count"),
        DIUInt64Attr("rx_twr_threshold_fail_count"),
        DIUInt64Attr("rx_invalid_range_count"),
    ]


class AnchorResidualsV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type = 0x8055
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("interface_id"),
        DIUInt64Attr("rx_timestamp"),
        DIUInt32Attr("weight"),
        DIInt32Attr("adjustment_magnitude"),
        DIUInt16Attr("sequence"),
        DIInt16Attr("first_path"),
        DIInt16Attr("total_path"),
    ]


class SystemOwnershipReleaseUnconfigured(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol
    System Ownership Release Unconfigured
    Data Item Definition"""
    type = 0x8056
    definition = [
        DIUInt32Attr("server_instance"),
        DISerialNumberListAttr("serial_numbers"),
    ]

    def add_serial_number(self, serial_number):
        self.serial_numbers.append(NorvaneSerialNumber(serial_number))


class RFAgilityRead(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Agility Read Data Item Definition"""
    type = 0x8058
    definition = [
        DISerialNumberAttr("serial_number"),
    ]


class BucketSettings:
    """Bucket Settings Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt8Attr("channel"),
        DIUInt8Attr("prf"),
        DIUInt8Attr("preamble_code"),
        DIUInt16Attr("preamble_length"),
        DIUInt16Attr("bit_rate"),
        DIUInt16Attr("power_mode"),
        DIUInt8Attr("phr_power"),
        DIUInt8Attr("data_power"),
        DIUInt8Attr("on_time"),
        DIUInt8Attr("initial_off_time"),
        DIUInt8Attr("backoff"),
        DIUInt8Attr("max_off_time"),
    ]

    def __init__(self, channel=0, rpf=0, preamble_code=0, preamble_length=0, bit_rate=0, power_mode=0,
                 phr_power=0, data_power=0, on_time=0, initial_off_time=0, backoff=0, max_off_time=0):
        self.channel = channel
        self.prf = rpf
        self.preamble_code = preamble_code
        self.preamble_length = preamble_length
        self.bit_rate = bit_rate
        self.power_mode = power_mode
        self.phr_power = phr_power
        self.data_power = data_power
        self.on_time = on_time
        self.initial_off_time = initial_off_time
        self.backoff = backoff
        self.max_off_time = max_off_time

    def __str__(self):
        return (f"{self.channel!s}, {self.prf!s}, {self.preamble_code!s}, {self.preamble_length!s}, "
                f"{self.bit_rate!s}, {self.power_mode!s}, {self.phr_power!s}, {self.data_power!s}, {self.on_time!s}, "
                f"{self.initial_off_time!s}, {self.backoff!s}, {self.max_off_time!s}")


class RFAgilityWrite(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Agility Write Data Item Definition"""
    type = 0x8059
    definition = [
        DISerialNumberAttr("serial_number_mask"),
        DIListAttr("bucket_settings", BucketSettings),
    ]

    def add_bucket_settings(self, channel=0, rpf=0, preamble_code=0, preamble_length=0, bit_rate=0,
                            power_mode=0, phr_power=0, data_power=0, on_time=0, initial_off_time=0,
                            backoff=0, max_off_time=0):
        self.bucket_settings.append(BucketSettings(
            channel, rpf, preamble_code, preamble_length, bit_rate, power_mode, phr_power, data_power,
            on_time, initial_off_time, backoff, max_off_time))


class CacheRequest(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Cache Request Data Item Definition"""
    type = 0x805A
    definition = [
        DIUInt32Attr("transaction_id"),
        DIUInt16Attr("type"),
    ]


class AcknowledgeListResponse(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Acknowledge List Response Data Item Definition"""
    type = 0x805B
    definition = [
        DIUInt16Attr("num_acknowledged"),
        DIUInt16Attr("num_not_acknowledged"),
        DISerialNumberListAttr("acknowledged_serials"),
        DISerialNumberListAttr("not_acknowledged_serials"),
        DIFixedLengthStrAttr("ack_string", 32),
    ]

    def add_acknowledged_serial(self, serial_number):
        self.acknowledged_serials.append(NorvaneSerialNumber(serial_number))
        self.num_acknowledged += 1

    def add_not_acknowledged_serial(self, serial_number):
        self.not_acknowledged_serials.append(NorvaneSerialNumber(serial_number))
        self.num_not_acknowledged += 1

    def _encode(self):
        self.num_acknowledged = len(self.acknowledged_serials)
        self.num_not_acknowledged = len(self.not_acknowledged_serials)
        return super()._encode()

    def _decode(self):
        _decode_counted(self, {"acknowledged_serials": ("num_acknowledged", 4),
                               "not_acknowledged_serials": ("num_not_acknowledged", 4)})


class CacheReadResult(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Cache Read Result Data Item Definition"""
    type = 0x805C
    definition = [
        DIUInt32Attr("transaction_id"),
        DIVariableLengthStrAttr("error_string"),
    ]


class NavigationModeDataBackhaulCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Navigation Mode Data Backhaul Command Data Item Definition"""
    type = 0x805D
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("enable"),
    ]


class NetAppTimeModelStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Net App Time Model Data Item Definition"""
    type = 0x805F
    definition = [
        DIInt64Attr("calculated_nt"),
        DIInt64Attr("reported_nt"),
        DIDoubleAttr("slope"),
        DIUInt8Attr("nt_was_used"),
    ]


class MultiRangeRx:
    """Multi Range Rx Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("rx_serial_number"),
        DIUInt8Attr("rx_interface_identifier"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("dt_rx"),
        DIUInt16Attr("quality"),
        DIUInt8Attr("first_path"),
        DIUInt8Attr("total_path"),
    ]

    def __init__(self, rx_serial_number=0, rx_interface_identifier=0, sequence_number=0, dt_rx=0, quality=0,
                 first_path=0, total_path=0):
        self.rx_serial_number = NorvaneSerialNumber(rx_serial_number)
        self.rx_interface_identifier = rx_interface_identifier
        self.sequence_number = sequence_number
        self.dt_rx = dt_rx
        self.quality = quality
        self.first_path = first_path
        self.total_path = total_path

    def __str__(self):
        return (f"{self.rx_serial_number!s}, {self.rx_interface_identifier!s}, {self.sequence_number!s}, "
                f"{self.dt_rx!s}, {self.quality!s}, {self.first_path!s}, {self.total_path!s}")


class MrTransmissionV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Transmission Data Item Definition"""
    type = 0x8060
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("interface_identifier"),
        DIUInt16Attr("antenna_delay"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("dt_tx"),
        DIUInt8Attr("number_of_mr_packets"),
        DIListAttr("mr_rx_list", MultiRangeRx),
        DIVariableLengthStrAttr("payload"),
    ]

    def _encode(self):
        self.number_of_mr_packets = len(self.mr_rx_list)
        return super()._encode()

    def _decode(self):
        _decode_counted(self, {"mr_rx_list": ("number_of_mr_packets", 18)})  # 18 bytes per MultiRangeRx


class MrReceptionV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Reception Data Item Definition"""
    type = 0x8061
    definition = [
        DISignalStrengthAttr("signal_strength"),
        DIUInt64Attr("rx_nt"),
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("interface_identifier"),
        DIUInt16Attr("antenna_delay"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("dt_tx"),
        DIUInt8Attr("number_of_mr_packets"),
        DIListAttr("mr_rx_list", MultiRangeRx),
        DIVariableLengthStrAttr("payload"),
    ]

    def _encode(self):
        self.number_of_mr_packets = len(self.mr_rx_list)
        return super()._encode()

    def _decode(self):
        _decode_counted(self, {"mr_rx_list": ("number_of_mr_packets", 18)})  # 18 bytes per MultiRangeRx


class RedundantPowerCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Redundant Power Command Data Item Definition"""
    type = 0x8063
    definition = [
        DIBoolAttr("enable"),
    ]


class RstpConfigCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RSTP Config Command Data Item Definition"""
    type = 0x8064
    definition = [
        DIBoolAttr("enable"),
        DIUInt16Attr("max_age"),
        DIUInt16Attr("forward_delay"),
    ]


class PositionStatsV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Position Stats Data Item Definition"""
    type = 0x8066
    definition = [
        DISerialNumberAttr("serial_number"),
        DIInt32Attr("x0"),
        DIInt32Attr("y0"),
        DIInt32Attr("z0"),
        DIUInt16Attr("iterations"),
    ]


class AnchorResidualsV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type = 0x8067
    definition = [
        DISerialNumberAttr("tag_serial_number"),
        DISerialNumberAttr("anchor_serial_number"),
        DIUInt8Attr("anchor_interface_id"),
        DIUInt64Attr("rx_timestamp"),
        DIUInt32Attr("weight"),
        DIInt32Attr("adjustment_magnitude"),
        DIUInt16Attr("sequence"),
        DIInt16Attr("first_path"),
        DIInt16Attr("total_path"),
    ]


class PingTimingDebugV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Timing Debug Data Item Definition"""
    type = 0x8069
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt32Attr("timeout"),
        DIUInt32Attr("slowest_ping_time"),
        DIUInt16Attr("sequence"),
        DIUInt16Attr("early_count"),
        DIUInt16Attr("late_count"),
    ]


class WiredNtLockAnnounceV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Wired NT Lock Announce Data Item Definition"""
    type = 0x806A
    definition = [
        DIUInt64Attr("network_time"),
        DIVariableLengthBytesAttr("announce_packet"),
    ]


class TagOwnershipReport:
    """Tag Ownership Report Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("tag_serial_number"),
        DIUInt32Attr("num_packets_heard"),
        DIUInt16Attr("avg_receiving_anchors"),
    ]

    def __init__(self, tag_serial_number=0, num_packets_heard=0, avg_receiving_anchors=0):
        self.tag_serial_number = NorvaneSerialNumber(tag_serial_number)
        self.num_packets_heard = num_packets_heard
        self.avg_receiving_anchors = avg_receiving_anchors

    def __str__(self):
        return f"{self.tag_serial_number!s}, {self.num_packets_heard!s}, {self.avg_receiving_anchors!s}"


class PeriodicSystemOwnershipReport(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Periodic System Ownership Report Data Item Definition"""
    type = 0x806C
    definition = [
        DIUInt32Attr("num_tags_owned"),
        DIUInt32Attr("num_tags_unowned"),
        DISerialNumberListAttr("owned_tags"),
        DIListAttr("tag_ownership_reports", TagOwnershipReport),
    ]

    def _encode(self):
        self.num_tags_owned = len(self.owned_tags)
        self.num_tags_unowned = len(self.tag_ownership_reports)
        return super()._encode()

    def _decode(self):
        # The report list runs to the end of the payload: only the owned tags are bounded.
        _decode_counted(self, {"owned_tags": ("num_tags_owned", 4)})  # 4 bytes per serial number


class TransferTagOwnership(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Transfer Tag Ownership Data Item Definition"""
    type = 0x806D
    definition = [
        DISerialNumberAttr("serial_number"),
        DISerialNumberAttr("new_network"),
    ]


class AnchorResidualsV5(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type = 0x806B
    definition = [
        DISerialNumberAttr("tag_serial_number"),
        DISerialNumberAttr("anchor_serial_number"),
        DIUInt8Attr("anchor_interface_id"),
        DIUInt8Attr("status"),
        DIUInt64Attr("rx_timestamp"),
        DIInt32Attr("twr_distance"),
        DIUInt32Attr("weight"),
        DIInt32Attr("adjustment_magnitude"),
        DIUInt16Attr("sequence"),
        DIInt16Attr("first_path"),
        DIInt16Attr("total_path"),
    ]


class PeriodicSystemOwnershipReportV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Periodic System Ownership Report Data Item Definition"""
    type = 0x806E
    definition = [
        DIUInt32Attr("num_tags_owned"),
        DIUInt32Attr("num_tags_unowned"),
        DISerialNumberListAttr("owned_tags"),
        DIListAttr("tag_ownership_reports", TagOwnershipReport),
    ]

    def _encode(self):
        self.num_tags_owned = len(self.owned_tags)
        self.num_tags_unowned = len(self.tag_ownership_reports)
        return super()._encode()

    def _decode(self):
        # The report list runs to the end of the payload: only the owned tags are bounded.
        _decode_counted(self, {"owned_tags": ("num_tags_owned", 4)})  # 4 bytes per serial number


class AckTagResponseMapping(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ack Tag Response Mapping Data Item Definition"""
    type = 0x8073
    definition = [
        DIFixedLengthBytesAttr("command_sha1", 20),
    ]


class CamrDiscovery(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Discovery Data Item Definition"""
    type = 0x8074
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("source_serial_number"),
        DISerialNumberAttr("server_instance"),
        DIUInt16Attr("command_window_offset"),
        DIUInt16Attr("period"),
    ]


class AnchorAnnounceRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Announce Rx Data Item Definition"""
    type = 0x8075
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("sequence_number"),
    ]


class CamrStartRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Start Rx Data Item Definition"""
    type = 0x8076
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("info"),
        DIUInt8Attr("sequence_number"),
    ]


class CamrStampRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Stamp Rx Data Item Definition"""
    type = 0x8077
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("sequence_number"),
    ]


class AnchorStampRx:
    """Anchor Stamp Rx Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("anchor_serial_number"),
        DIUInt32Attr("rx_dt32"),
        DIUInt8Attr("first_path"),
        DIUInt8Attr("total_path"),
    ]

    def __init__(self, anchor_serial_number=0, rx_dt32=0, first_path=0, total_path=0):
        self.anchor_serial_number = NorvaneSerialNumber(anchor_serial_number)
        self.rx_dt32 = rx_dt32
        self.first_path = first_path
        self.total_path = total_path

    def __str__(self):
        return f"{self.anchor_serial_number!s}, {self.rx_dt32!s}, {self.first_path!s}, {self.total_path!s}"


class CamrEndRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR End Rx Data Item Definition"""
    type = 0x8078
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("tag_serial_number"),
        DIUInt8Attr("sequence_number"),
        DIUInt32Attr("tx_dt32"),
        DIListAttr("stamps", AnchorStampRx),
    ]


class CamrStampTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Stamp Tx Data Item Definition"""
    type = 0x8079
    definition = [
        DISerialNumberAttr("tag_serial_number"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("tx_dt64"),
    ]


class AnchorAnnounceTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Announce Tx Data Item Definition"""
    type = 0x807A
    definition = [
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("tx_dt64"),
    ]


class TrickleBufferDataRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Trickle Buffer Data Rx Data Item Definition"""
    type = 0x807B
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("rx_nt64"),
        DIVariableLengthBytesAttr("payload"),
    ]


class PersistentPropertyTypes(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Persistent Property Types Data Item Definition."""
    type = 0x807C
    definition = [
        DIUInt16Attr("offset"),
        DIUInt16Attr("total_types"),
        DIVariableLengthBytesAttr("data"),
    ]


class PersistentPropertyData(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Persistent Property Data Data Item Definition."""
    type = 0x807D
    definition = [
        DIUInt16Attr("prop_id"),
        DIUInt16Attr("offset"),
        DIUInt16Attr("total_size"),
        DIVariableLengthBytesAttr("payload"),
    ]


class ParticleUpdaterStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Particle Updater Stats Data Item Definition"""
    type = 0x807E
    definition = [
        DIFixedLengthStrAttr("image_version", 32),
        DIFixedLengthBytesAttr("image_sha1", 20),
        DIUInt32Attr("image_size"),
        DIUInt32Attr("bytes_saved"),
        DIUInt16Attr("sector_number"),
        DIUInt16Attr("sector_size"),
        DIUInt8Attr("image_type"),
        DIUInt8Attr("status"),
    ]
    # Texts by status code: 1 to 3 report progress, 10 to 16 failures.
    status_strings = [
        "?", "saved", "already saved", "complete", "?", "?", "?", "?", "?", "?",
        "too big", "failed malloc", "failed qpush", "no processor", "failed write to flash", "bad sha",
        "cannot load program",
    ]
    image_names = ["recovery", "bootloader", "firmware", "almanac"]

    def image_name(self):
        names = ParticleUpdaterStats.image_names
        return names[self.image_type] if self.image_type < len(names) else "?"

    def sector_status(self):
        texts = ParticleUpdaterStats.status_strings
        return texts[self.status] if self.status < len(texts) else "?"


class CamrDiscoveryV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Discovery Data Item Definition"""
    type = 0x8082
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("source_serial_number"),
        DISerialNumberAttr("server_instance"),
        DIUInt16Attr("command_window_offset"),
        DIUInt16Attr("period"),
        DIUInt32Attr("firmware_ivsha1_ending"),
        DIUInt32Attr("device_info"),
        DIVariableLengthBytesAttr("optional_data"),
    ]


class OtaImageRequest(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol OTA Image Request Data Item Definition"""
    type = 0x8083
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("serial_number"),
        DIUInt32Attr("ivsha1_ending"),
        DIUInt16Attr("sector_number"),
    ]


class MrStartRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Start Rx Data Item Definition"""
    type = 0x8086
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DIUInt64Attr("rx_nt"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("info"),
        DIVariableLengthBytesAttr("payload"),
    ]


class MrStampTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Stamp Tx Data Item Definition"""
    type = 0x8087
    definition = [
        DIUInt64Attr("tx_dt64"),
        DIUInt64Attr("tx_nt64"),
        DISerialNumberAttr("tag_serial_number"),
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("sequence_number"),
        DIUInt8Attr("info"),
    ]


class MrStampRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Stamp Rx Data Item Definition"""
    type = 0x8088
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DIUInt64Attr("rx_nt64"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("info"),
    ]


class AnchorMrStampRx:
    """Anchor MR Stamp Rx Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("anchor_serial_number"),
        DIUInt32Attr("rx_dt32"),
        DIUInt8Attr("first_path"),
        DIUInt8Attr("total_path"),
        DIUInt8Attr("sequence_number"),
    ]

    def __init__(self, anchor_serial_number=0, rx_dt32=0, first_path=0, total_path=0, sequence=0):
        self.anchor_serial_number = NorvaneSerialNumber(anchor_serial_number)
        self.rx_dt32 = rx_dt32
        self.first_path = first_path
        self.total_path = total_path
        self.sequence_number = sequence

    def __str__(self):
        return (f"{self.anchor_serial_number!s}, {self.rx_dt32!s}, {self.first_path!s}, {self.total_path!s}, "
                f"{self.sequence_number!s}")


class MrEndRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR End Rx Data Item Definition"""
    type = 0x8089
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DIUInt64Attr("rx_nt64"),
        DIUInt32Attr("tx_dt32"),
        DISerialNumberAttr("tag_serial_number"),
        DIUInt8Attr("sequence_number"),
        DIListAttr("stamps", AnchorMrStampRx),
    ]


class AnchorResidualsV6(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type = 0x808A
    definition = [
        DISerialNumberAttr("tag_serial_number"),
        DISerialNumberAttr("anchor_serial_number"),
        DIUInt8Attr("anchor_interface_id"),
        DIUInt8Attr("status"),
        DIUInt64Attr("rx_timestamp"),
        DIInt32Attr("twr_distance"),
        DIUInt32Attr("weight"),
        DIInt32Attr("adjustment_magnitude"),
        DIUInt16Attr("sequence"),
    ]


class AngleOfArrivalV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Angle of Arrival Data Item Definition"""
    type = 0x808C
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("rx_interface_id"),
        DIUInt8Attr("packet_type"),
        DIUInt8Attr("channel"),
        DIUInt8Attr("preamble_code"),
        DIUInt16Attr("unused"),
        DIUInt32Attr("tx_sequence"),
        DIUInt64Attr("rx_dt"),
        DIUInt64Attr("rx_nt"),
        DIUInt8Attr("rc_phase"),
        DIUInt16Attr("fp_index"),
        DISignalStrengthAttr("signal_strength"),
        DIFixedLengthBytesAttr("acc_mem", 16),
    ]

    def __str__(self):
        return "{}, 0x{:04X}, {}, {}, 0x{:02X}, {}, {}, {}, {}, {}, {}, {}, {}".format(
            self.rlx_header_serial, self.type, self.rx_interface_id, self.source_serial_number,
            self.packet_type, self.channel, self.tx_sequence, self.rx_dt, self.rx_nt, self.rc_phase,
            self.fp_index / 64.0, self.signal_strength, struct.unpack("<8h", self.acc_mem),
        )


class RadarInterfaceData:
    """Radar Interface Data Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("interface_identifier"),
        DIUInt64Attr("rx_dt"),
        DIDoubleAttr("rx_phase"),
        DIDoubleAttr("weight"),
        DIUInt8Attr("status"),
    ]

    def __init__(self, serial_number=0, interface_identifier=0, rx_dt=0, rx_phase=0, weight=0, status=0):
        self.serial_number = NorvaneSerialNumber(serial_number)
        self.interface_identifier = interface_identifier
        self.rx_dt = rx_dt
        self.rx_phase = rx_phase
        self.weight = weight
        self.status = status

    def __str__(self):
        return (f"{self.serial_number!s}, {self.interface_identifier!s}, {self.rx_dt!s}, {self.rx_phase!s}, "
                f"{self.weight!s}, {self.status!s}")


class RadarDebugV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type = 0x808D
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt64Attr("tx_sequence"),
        DIUInt32Attr("rho"),
        DIDoubleAttr("theta"),
        DIDoubleAttr("phi"),
        DIUInt8Attr("num_interfaces"),
        DIListAttr("interface_data", RadarInterfaceData),
    ]


class RadarInterfaceDataV2:
    """Radar Interface Data V2 Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("interface_identifier"),
        DIUInt8Attr("uwb_packet_type"),
        DIUInt64Attr("rx_dt"),
        DIDoubleAttr("rx_phase"),
        DIDoubleAttr("first_path"),
        DIDoubleAttr("total_path"),
        DIDoubleAttr("weight"),
        DIUInt8Attr("status"),
    ]

    def __init__(self, serial_number=0, interface_identifier=0, uwb_packet_type=0, rx_dt=0, rx_phase=0,
                 first_path=0, total_path=0, weight=0, status=0):
        self.serial_number = NorvaneSerialNumber(serial_number)
        self.interface_identifier = interface_identifier
        self.uwb_packet_type = uwb_packet_type
        self.rx_dt = rx_dt
        self.rx_phase = rx_phase
        self.first_path = first_path
        self.total_path = total_path
        self.weight = weight
        self.status = status

    def __str__(self):
        return (f"{self.serial_number!s}, {self.interface_identifier!s}, {self.uwb_packet_type!s}, {self.rx_dt!s}, "
                f"{self.rx_phase!s}, {self.first_path!s}, {self.total_path!s}, {self.weight!s}, {self.status!s}")


class RadarDebugV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data V2 Item Definition"""
    type = 0x808E
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt64Attr("tx_sequence"),
        DIUInt32Attr("rho"),
        DIDoubleAttr("theta"),
        DIDoubleAttr("phi"),
        DIUInt8Attr("num_interfaces"),
        DIListAttr("interface_data", RadarInterfaceDataV2),
    ]


class SelfCalibrationDebug(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type = 0x808F
    definition = [
        DIUInt64Attr("network_time"),
        DIFloatAttr("phase_cal_0"),
        DIFloatAttr("phase_cal_1"),
        DIFloatAttr("phase_cal_2"),
        DIFloatAttr("phase_cal_3"),
        DIFloatAttr("phase_cal_4"),
        DIInt64Attr("dt_cal_0"),
        DIInt64Attr("dt_cal_1"),
        DIInt64Attr("dt_cal_2"),
        DIInt64Attr("dt_cal_3"),
        DIInt64Attr("dt_cal_4"),
    ]

    def __str__(self):
        return ("{}, 0x{:04X}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, "
                "{}, {}, {}, {}, {}").format(
            self.rlx_header_serial, self.type, self.network_time,
            self.phase_cal_0 * 180.0 / math.pi, self.phase_cal_1 * 180.0 / math.pi,
            self.phase_cal_2 * 180.0 / math.pi, self.phase_cal_3 * 180.0 / math.pi,
            self.phase_cal_4 * 180.0 / math.pi,
            self.dt_cal_0, self.dt_cal_1, self.dt_cal_2, self.dt_cal_3, self.dt_cal_4,
        )


class RepeatedSyncRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Repeated Sync Rx Data Item Definition"""
    type = 0x8090
    definition = [
        DIUInt8Attr("sequence"),
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("tx_timestamp"),
        DIUInt32Attr("sync_offset"),
        DIUInt64Attr("rx_timestamp"),
        DIUInt8Attr("num_commands"),
        DISignalStrengthAttr("signal_strength"),
    ]


class SetProtectedPersistentProperty(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Set Protected Persistent Property Data Item Definition."""
    type = 0x8091
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt8Attr("config"),
        DIUInt16Attr("property_id"),
        DIVariableLengthBytesAttr("property_value"),
    ]

    def set_persistent_property(self):
        self.config = 1

    def clear_persistent_property(self):
        self.config = 0


class GetProtectedPersistentPropertyValue(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Get Protected Persistent Property Value Data Item Definition."""
    type = 0x8092
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt16Attr("property_id"),
    ]


class GetProtectedPersistentPropertyList(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Get Protected Persistent Property List Data Item Definition."""
    type = 0x8093
    definition = [
        DISerialNumberAttr("serial_number"),
    ]


class EthernetStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Stats Data Item Definition."""
    type = 0x8095
    definition = [
        DIUInt16Attr("max_frame"),
        DIUInt32Attr("tx_total"),
        DIUInt32Attr("tx_broadcast"),
        DIUInt32Attr("tx_multicast"),
        DIUInt64Attr("tx_bytes"),
        DIUInt16Attr("tx_pause"),
        DIUInt32Attr("tx_exactly_64"),
        DIUInt32Attr("tx_range_65_127"),
        DIUInt32Attr("tx_range_128_255"),
        DIUInt32Attr("tx_range_256_511"),
        DIUInt32Attr("tx_range_511_1023"),
        DIUInt32Attr("tx_range_1024_1518"),
        DIUInt32Attr("tx_over_1518"),
        DIUInt16Attr("tx_underrun"),
        DIUInt32Attr("tx_single_collision"),
        DIUInt32Attr("tx_multiple_collision"),
        DIUInt16Attr("tx_excessive_collision"),
        DIUInt16Attr("tx_late_collision"),
        DIUInt32Attr("tx_deferred"),
        DIUInt16Attr("tx_carrier_error"),
        DIUInt32Attr("rx_total"),
        DIUInt32Attr("rx_broadcast"),
        DIUInt32Attr("rx_multicast"),
        DIUInt64Attr("rx_bytes"),
        DIUInt16Attr("rx_pause"),
        DIUInt32Attr("rx_exactly_64"),
        DIUInt32Attr("rx_range_65_127"),
        DIUInt32Attr("rx_range_128_255"),
        DIUInt32Attr("rx_range_256_511"),
        DIUInt32Attr("rx_range_511_1023"),
        DIUInt32Attr("rx_range_1024_1518"),
        DIUInt32Attr("rx_over_1518"),
        DIUInt16Attr("rx_undersized"),
        DIUInt16Attr("rx_oversized"),
        DIUInt16Attr("rx_jabber"),
        DIUInt16Attr("rx_checksum_error"),
        DIUInt16Attr("rx_length_error"),
        DIUInt16Attr("rx_symbol_error"),
        DIUInt16Attr("rx_alignment_error"),
        DIUInt32Attr("rx_resource_error"),
        DIUInt16Attr("rx_overrun"),
        DIUInt8Attr("rx_ip_checksum_error"),
        DIUInt8Attr("rx_tcp_checksum_error"),
        DIUInt8Attr("rx_udp_checksum_error"),
    ]


class LEDReport(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol LED Report Data Item Definition."""
    type = 0x8099
    definition = [
        DIUInt64Attr("timestamp_ms"),
        DIUInt8Attr("red"),
        DIUInt8Attr("green"),
        DIUInt8Attr("blue"),
        DIUInt8Attr("intensity"),
    ]


class PoeDebug(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol PoE Debug Data Item Definition. Protected.
    Debug snapshot of the PoE microcontroller subsystem, with the time it was taken."""
    type = 0x809A
    definition = [
        DIUInt8Attr("comms_status"),
        DIUInt8Attr("upstream_port"),
        DIUInt8Attr("downstream_port"),
        DIUInt8Attr("reclass_events"),
        DIUInt8Attr("downstream_class"),
        DIInt32Attr("mps_current"),
        DIUInt32Attr("veth"),
        DIInt32Attr("adjusted_current_draw"),
        DIUInt8Attr("legacy_polarity"),
        DIUInt8Attr("reclassed"),
        DIUInt32Attr("p1_pair_voltage_12"),
        DIUInt32Attr("p1_pair_voltage_36"),
        DIUInt32Attr("p1_pair_voltage_45"),
        DIUInt32Attr("p1_pair_voltage_78"),
        DIUInt32Attr("p2_pair_voltage_12"),
        DIUInt32Attr("p2_pair_voltage_36"),
        DIUInt32Attr("p2_pair_voltage_45"),
        DIUInt32Attr("p2_pair_voltage_78"),
        DIUInt8Attr("mps_on"),
        DIInt32Attr("gnd_current"),
        DIInt32Attr("iref_current"),
        DIInt32Attr("p1_current"),
        DIInt32Attr("p2_current"),
        DIUInt8Attr("upstream_type"),
        DIUInt8Attr("mps_signature"),
        DIInt32Attr("downstream_impedance"),
        DIUInt8Attr("detect_failure_cause"),
        DIUInt32Attr("class_fail_pair_voltage_12"),
        DIUInt32Attr("class_fail_pair_voltage_36"),
        DIUInt32Attr("class_fail_pair_voltage_45"),
        DIUInt32Attr("class_fail_pair_voltage_78"),
        DIInt32Attr("die_temp"),
        DIUInt16Attr("long_class_period"),
        DIUInt8Attr("month"),
        DIUInt8Attr("day"),
        DIUInt8Attr("year"),
        DIUInt8Attr("hours"),
        DIUInt8Attr("minutes"),
        DIUInt8Attr("seconds"),
        DIUInt32Attr("milliseconds"),
    ]


class RamrNotificationRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Notification Rx Data Item Definition."""
    type = 0x80A2
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("tag_serial_number"),
        DIUInt8Attr("sequence_number"),
    ]


class RamrSelfCalibrationTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Self Calibration Tx Data Item Definition."""
    type = 0x80A3
    definition = [
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("tx_dt64"),
    ]


class RamrSelfCalibrationRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Self Calibration Rx Data Item Definition."""
    type = 0x80A4
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("rx_interface_id"),
        DIUInt8Attr("tx_interface_id"),
        DIUInt8Attr("sequence_number"),
    ]


class PhaseBackhaul(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Phase Backhaul Data Item Definition. Private.
    Carries the phase data of a phase array for processing and debugging."""
    type = 0x80A7
    definition = [
        DISerialNumberAttr("phase_array_serial"),
        DISerialNumberAttr("source_serial"),
        DIUInt8Attr("sequence_number"),
        DIFixedLengthBytesAttr("quality", 5),
        DIUInt16ListAttr("phase_data"),
    ]


class SingleAntennaSelfCalibration:
    """Single Antenna Self Calibration Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt8Attr("tx_dt"),
        DIUInt16Attr("rx_phase_0"),
        DIUInt16Attr("rx_dt_0"),
        DIUInt16Attr("rx_phase_1"),
        DIUInt16Attr("rx_dt_1"),
        DIUInt16Attr("rx_phase_2"),
        DIUInt16Attr("rx_dt_2"),
        DIUInt16Attr("rx_phase_3"),
        DIUInt16Attr("rx_dt_3"),
    ]

    def __init__(self, tx_dt=0, rx_phase_0=0, rx_dt_0=0, rx_phase_1=0, rx_dt_1=0, rx_phase_2=0, rx_dt_2=0,
                 rx_phase_3=0, rx_dt_3=0):
        self.tx_dt = tx_dt
        self.rx_phase_0 = rx_phase_0
        self.rx_dt_0 = rx_dt_0
        self.rx_phase_1 = rx_phase_1
        self.rx_dt_1 = rx_dt_1
        self.rx_phase_2 = rx_phase_2
        self.rx_dt_2 = rx_dt_2
        self.rx_phase_3 = rx_phase_3
        self.rx_dt_3 = rx_dt_3

    def __str__(self):
        return (f"{self.tx_dt!s}, {self.rx_phase_0!s}, {self.rx_dt_0!s}, {self.rx_phase_1!s}, {self.rx_dt_1!s}, "
                f"{self.rx_phase_2!s}, {self.rx_dt_2!s}, {self.rx_phase_3!s}, {self.rx_dt_3!s}")


class SelfCalibrationInputData(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Input Data Item Definition. Private.
    Carries the raw per-antenna self-calibration measurements of one anchor, from which its calibration is computed."""
    type = 0x80A8
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIListAttr("antenna_data", SingleAntennaSelfCalibration),
    ]


class NetworkIdSerialNumberMapEntry:
    """Network ID Serial Number Map Entry Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt32Attr("network_id"),
        DISerialNumberAttr("serial_number"),
    ]


class NetworkIdSerialNumberMap(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network ID Serial Number Map Data Data Item Definition. Private.
    Maps network IDs to the serial numbers of the devices."""
    type = 0x80AB
    definition = [
        DIUInt8Attr("network_id_devices"),
        DIUInt8Attr("network_id_length"),
        DIUInt16Attr("map_length"),
        DIListAttr("map_entries", NetworkIdSerialNumberMapEntry),
    ]


class ClockPacket(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock Packet Data Item Definition. Private.
    Updates network time and tells the network application when to send commands in NTC mode."""
    type = 0x80AD
    definition = [
        DIUInt64Attr("network_time"),
        DIUInt8Attr("nt_quality"),
    ]


class SelfCalibrationDebugV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type = 0x80AF
    definition = [
        DIUInt64Attr("network_time"),
        DIFloatAttr("phase_cal_0"),
        DIFloatAttr("phase_cal_1"),
        DIFloatAttr("phase_cal_2"),
        DIFloatAttr("phase_cal_3"),
        DIFloatAttr("phase_cal_4"),
        DIFloatAttr("phase_cal_5"),
        DIInt64Attr("dt_cal_0"),
        DIInt64Attr("dt_cal_1"),
        DIInt64Attr("dt_cal_2"),
        DIInt64Attr("dt_cal_3"),
        DIInt64Attr("dt_cal_4"),
        DIInt64Attr("dt_cal_5"),
        DIInt8Attr("num_interfaces"),
    ]

    def __str__(self):
        return ("{}, 0x{:04X}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, "
                "{}, {}, {}, {}, {}, {}, {}").format(
            self.rlx_header_serial, self.type, self.network_time,
            self.phase_cal_0 * 180.0 / math.pi, self.phase_cal_1 * 180.0 / math.pi,
            self.phase_cal_2 * 180.0 / math.pi, self.phase_cal_3 * 180.0 / math.pi,
            self.phase_cal_4 * 180.0 / math.pi, self.phase_cal_5 * 180.0 / math.pi,
            self.dt_cal_0, self.dt_cal_1, self.dt_cal_2, self.dt_cal_3, self.dt_cal_4, self.dt_cal_5,
            self.num_interfaces,
        )


class NTCCommandAcknowledge(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol NTC Command Acknowledge Data Item Definition. Private.
    Acknowledges reception of NTC commands."""
    type = 0x80B0
    definition = [
        DIUInt64Attr("command_tx_nt"),
        DIUInt64Attr("network_time_received"),
        DIUInt8Attr("transmit_success"),
    ]


class SelfCalibrationDebugV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type = 0x80B4
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIFloatAttr("phase_cal_0"),
        DIFloatAttr("phase_cal_1"),
        DIFloatAttr("phase_cal_2"),
        DIFloatAttr("phase_cal_3"),
        DIFloatAttr("phase_cal_4"),
        DIFloatAttr("phase_cal_5"),
        DIInt64Attr("dt_cal_0"),
        DIInt64Attr("dt_cal_1"),
        DIInt64Attr("dt_cal_2"),
        DIInt64Attr("dt_cal_3"),
        DIInt64Attr("dt_cal_4"),
        DIInt64Attr("dt_cal_5"),
        DIInt8Attr("num_interfaces"),
    ]

    def __str__(self):
        return ("{}, 0x{:04X}, {}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, "
                "{}, {}, {}, {}, {}, {}, {}").format(
            self.rlx_header_serial, self.type, self.source_serial_number, self.network_time,
            self.phase_cal_0 * 180.0 / math.pi, self.phase_cal_1 * 180.0 / math.pi,
            self.phase_cal_2 * 180.0 / math.pi, self.phase_cal_3 * 180.0 / math.pi,
            self.phase_cal_4 * 180.0 / math.pi, self.phase_cal_5 * 180.0 / math.pi,
            self.dt_cal_0, self.dt_cal_1, self.dt_cal_2, self.dt_cal_3, self.dt_cal_4, self.dt_cal_5,
            self.num_interfaces,
        )


class RamrSelfCalibrationTxV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Self Calibration Tx Data Item Definition."""
    type = 0x80B5
    definition = [
        DIUInt8Attr("interface_id"),
        DIUInt8Attr("sequence_number"),
        DIUInt64Attr("tx_dt64"),
        DIUInt8Attr("channel"),
    ]


class SelfCalibrationDebugV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type = 0x80B6
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIFloatAttr("phase_cal_0"),
        DIFloatAttr("phase_cal_1"),
        DIFloatAttr("phase_cal_2"),
        DIFloatAttr("phase_cal_3"),
        DIFloatAttr("phase_cal_4"),
        DIFloatAttr("phase_cal_5"),
        DIInt64Attr("dt_cal_0"),
        DIInt64Attr("dt_cal_1"),
        DIInt64Attr("dt_cal_2"),
        DIInt64Attr("dt_cal_3"),
        DIInt64Attr("dt_cal_4"),
        DIInt64Attr("dt_cal_5"),
        DIUInt8Attr("num_interfaces"),
        DIUInt8Attr("channel"),
    ]

    def __str__(self):
        return ("{}, 0x{:04X}, {}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, "
                "{}, {}, {}, {}, {}, {}, {}, {}").format(
            self.rlx_header_serial, self.type, self.source_serial_number, self.network_time,
            self.phase_cal_0 * 180.0 / math.pi, self.phase_cal_1 * 180.0 / math.pi,
            self.phase_cal_2 * 180.0 / math.pi, self.phase_cal_3 * 180.0 / math.pi,
            self.phase_cal_4 * 180.0 / math.pi, self.phase_cal_5 * 180.0 / math.pi,
            self.dt_cal_0, self.dt_cal_1, self.dt_cal_2, self.dt_cal_3, self.dt_cal_4, self.dt_cal_5,
            self.num_interfaces, self.channel,
        )


class RadarInterfaceDataV3:
    """Radar Interface Data V3 Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt8Attr("interface_identifier"),
        DIUInt8Attr("uwb_packet_type"),
        DIUInt64Attr("rx_dt"),
        DIDoubleAttr("rx_phase"),
        DIDoubleAttr("first_path"),
        DIDoubleAttr("total_path"),
        DIDoubleAttr("weight"),
        DIUInt8Attr("status"),
    ]

    def __init__(self, interface_identifier=0, uwb_packet_type=0, rx_dt=0, rx_phase=0, first_path=0,
                 total_path=0, weight=0, status=0):
        self.interface_identifier = interface_identifier
        self.uwb_packet_type = uwb_packet_type
        self.rx_dt = rx_dt
        self.rx_phase = rx_phase
        self.first_path = first_path
        self.total_path = total_path
        self.weight = weight
        self.status = status

    def __str__(self):
        return (f"{self.interface_identifier!s}, {self.uwb_packet_type!s}, {self.rx_dt!s}, {self.rx_phase!s}, "
                f"{self.first_path!s}, {self.total_path!s}, {self.weight!s}, {self.status!s}")


class RadarDebugV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type = 0x80B7
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt64Attr("tx_sequence"),
        DIUInt32Attr("distance"),
        DIDoubleAttr("azimuth"),
        DIDoubleAttr("elevation"),
        DIUInt16Attr("pos_quality"),
        DIUInt16Attr("dist_quality"),
        DIUInt16Attr("dt_search_angle"),
        DIUInt32Attr("start_phase_error"),
        DIUInt32Attr("end_phase_error"),
        DIUInt8Attr("num_interfaces"),
        DIListAttr("interface_data", RadarInterfaceDataV3),
    ]


class RadarInterfaceDataV4:
    """Radar Interface Data V4 Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt64Attr("rx_dt"),
        DIFloatAttr("rx_phase"),
        DIFloatAttr("first_path"),
        DIFloatAttr("total_path"),
        DIFloatAttr("weight"),
        DIUInt8Attr("status"),
    ]

    def __init__(self, rx_dt=0, rx_phase=0, first_path=0, total_path=0, weight=0, status=0):
        self.rx_dt = rx_dt
        self.rx_phase = rx_phase
        self.first_path = first_path
        self.total_path = total_path
        self.weight = weight
        self.status = status

    def __str__(self):
        return (f"{self.rx_dt!s}, {self.rx_phase!s}, {self.first_path!s}, {self.total_path!s}, {self.weight!s}, "
                f"{self.status!s}")


class RadarDebugV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type = 0x80B8
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt64Attr("tx_sequence"),
        DIUInt32Attr("distance"),
        DIUInt16Attr("azimuth"),
        DIUInt16Attr("elevation"),
        DIUInt16Attr("pos_quality"),
        DIUInt16Attr("dist_quality"),
        DIUInt16Attr("dt_search_angle"),
        DIUInt32Attr("start_phase_error"),
        DIUInt32Attr("end_phase_error"),
        DIUInt16Attr("short_dt_angular_difference"),
        DIUInt16Attr("long_dt_angular_difference"),
        DIUInt8Attr("num_interfaces"),
        DIListAttr("interface_data", RadarInterfaceDataV4),
    ]


class RamrRiderRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Rider Rx Data Item Definition."""
    type = 0x80B9
    definition = [
        DIRxStatsAttribute("rx_stats"),
        DISerialNumberAttr("tag_serial_number"),
        DIUInt8Attr("sequence_number"),
    ]


class SeederIndexSerialNumberMapEntry:
    """Seeder Index Serial Number Map Entry Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt16Attr("seeder_index"),
        DISerialNumberAttr("serial_number"),
    ]

    def __init__(self, seeder_index=0, serial_number=0):
        self.seeder_index = seeder_index
        self.serial_number = serial_number

    def __str__(self):
        return f"{self.seeder_index!s}, {self.serial_number!s}"


class SeederIndexSerialNumberMap(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Seeder Index Serial Number Map Data Item Definition. Private.
    Sends the mapping of seeder indexes to serial numbers."""
    type = 0x80BA
    definition = [
        DIUInt16Attr("map_length"),
        DIListAttr("map_entries", SeederIndexSerialNumberMapEntry),
    ]


class RadarPositionDebugData:
    """Radar Position Debug Data Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt8Attr("channel"),
        DIUInt16Attr("azimuth"),
        DIUInt16Attr("elevation"),
        DIUInt16Attr("pos_quality"),
        DIUInt32Attr("sum_of_phase_error"),
        DIUInt16Attr("dt_search_angle"),
        DIUInt16Attr("short_dt_angular_difference"),
        DIUInt16Attr("long_dt_angular_difference"),
        DIUInt8Attr("num_interfaces"),
        DIListAttr("interface_data", RadarInterfaceDataV4),
    ]

    def __init__(self, channel=0, distance=0, azimuth=0, elevation=0, pos_quality=0, dist_quality=0,
                 sum_of_phase_error=0, dt_search_angle=0, short_dt_angular_difference=0,
                 long_dt_angular_difference=0, num_interfaces=0, interface_data=None):
        self.channel = channel
        self.distance = distance
        self.azimuth = azimuth
        self.elevation = elevation
        self.pos_quality = pos_quality
        self.dist_quality = dist_quality
        self.sum_of_phase_error = sum_of_phase_error
        self.dt_search_angle = dt_search_angle
        self.short_dt_angular_difference = short_dt_angular_difference
        self.long_dt_angular_difference = long_dt_angular_difference
        self.num_interfaces = num_interfaces
        self.interface_data = [] if interface_data is None else interface_data

    def __str__(self):
        # Every fixed value is followed by ", "; the interface records (as many as
        # num_interfaces says) follow with nothing between them.
        fixed = (f"{self.channel!s}, {self.azimuth!s}, {self.elevation!s}, {self.pos_quality!s}, "
                 f"{self.sum_of_phase_error!s}, {self.dt_search_angle!s}, {self.short_dt_angular_difference!s}, "
                 f"{self.long_dt_angular_difference!s}, {self.num_interfaces!s}, ")
        return fixed + "".join([str(self.interface_data[i]) for i in range(self.num_interfaces)])


class RadarDebugV5(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type = 0x80BB
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt8Attr("tx_sequence"),
        DIUInt32Attr("distance"),
        DIUInt16Attr("dist_quality"),
        DIUInt8Attr("num_channels"),
        DIListAttr("position_data", RadarPositionDebugData),
    ]

    def _decode(self):
        # Each position record carries its own list of interface records, so the
        # records are cut apart here: the 18-byte fixed part tells how many
        # 25-byte interface records follow it.
        for attr in self.definition:
            if attr.name == "position_data":
                value = []
                while self.di_data:
                    head, _ = attr._decode(self.di_data[:18])
                    records, used = attr._decode(self.di_data[:18 + 25 * head[0].num_interfaces])
                    if not used:
                        raise ValueError("a position record decodes from no bytes, %d bytes left"
                                         % len(self.di_data))
                    self.di_data = self.di_data[used:]
                    value.append(records[0])
            else:
                value, used = attr._decode(self.di_data)
                self.di_data = self.di_data[used:]
            setattr(self, attr.name, value)
        self.di_data = None


class AnchorAngleData:
    """Anchor Angle Data Class Definition"""
    __repr__ = _record_repr
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt16Attr("angle"),
        DIUInt8Attr("status"),
        DIUInt16Attr("weight"),
    ]


class PhaseOrientationDebug(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Phase Orientation Debug Data Item Definition. Private.
    Reports the orientation quaternion of a tag with the angle of arrival that each anchor measured."""
    type = 0x80BD
    definition = [
        DISerialNumberAttr("tag_serial_number"),
        DIUInt64Attr("network_time"),
        DIInt32Attr("x"),
        DIInt32Attr("y"),
        DIInt32Attr("z"),
        DIInt32Attr("w"),
        DIUInt16Attr("quality"),
        DIListAttr("angle_data", AnchorAngleData),
    ]


class RFScheduleV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Schedule V3 Data Item Definition. Private.
    Carries the scheduling information of a slot and the devices it concerns."""
    type = 0x80BF
    definition = [
        DIUInt8Attr("command_type"),
        DIUInt32Attr("start_time"),
        DIUInt32Attr("duration"),
        DIUInt32Attr("period"),
        DIUInt8Attr("flags"),
        DISerialNumberListAttr("serial_numbers"),
    ]

    def add_serial_number(self, serial_number):
        self.serial_numbers.append(NorvaneSerialNumber(serial_number))


class PreallocatedSlotAssignments(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Preallocated Slot Assignments Data Item Definition. Private.
    Tells which devices use the preallocated slots of a role and device configuration."""
    type = 0x80C1
    definition = [
        DIUInt16Attr("role_id"),
        DIUInt16Attr("device_config_id"),
        DIUInt16Attr("num_slots"),
        DISerialNumberListAttr("serial_number_list"),
    ]


class DeviceSize(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Device Size Data Item Definition. Private.
    Resizes a device by x, y and z scale factors."""
    type = 0x80C2
    definition = [
        DISerialNumberAttr("serial_number"),
        DIFloatAttr("x_scale"),
        DIFloatAttr("y_scale"),
        DIFloatAttr("z_scale"),
    ]


class SimulatedUWBTransmission(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Simulated UWB Transmission Data Item Definition. Private.
    Describes a UWB transmission happening between two simulated devices, with the transmitter's times and position and the packet itself."""
    type = 0x80C5
    definition = [
        DIUInt64Attr("tx_dt"),
        DIUInt64Attr("tx_nt"),
        DIInt32Attr("x"),
        DIInt32Attr("y"),
        DIInt32Attr("z"),
        DIVariableLengthBytesAttr("uwb_packet"),
    ]


class SimulatedReset(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Simulated Reset Data Item Definition. Private.
    Puts a simulated node into, or takes it out of, a held-in-reset state at a given network time."""
    type = 0x80C7
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt64Attr("network_time"),
        DIBoolAttr("reset_status"),
    ]


class AngleOfArrivalV6(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Angle of Arrival Data Item Definition"""
    type = 0x80C9
    definition = [
        DISerialNumberAttr("source_serial_number"),
        DIUInt8Attr("rx_interface_id"),
        DIUInt8Attr("packet_type"),
        DIUInt8Attr("channel"),
        DIUInt8Attr("preamble_code"),
        DIUInt16Attr("unused"),
        DIUInt32Attr("tx_sequence"),
        DIUInt64Attr("rx_dt"),
        DIUInt64Attr("rx_nt"),
        DIUInt8Attr("rc_phase"),
        DIUInt16Attr("fp_index"),
        DISignalStrengthAttr("signal_strength"),
        DIFixedLengthBytesAttr("acc_mem", 16),
        DIInt16Attr("ip_poa"),
    ]

    def __str__(self):
        return "{}, 0x{:04X}, {}, {}, 0x{:02X}, {}, {}, {}, {}, {}, {}, {}, {}, {}".format(
            self.rlx_header_serial, self.type, self.rx_interface_id, self.source_serial_number,
            self.packet_type, self.channel, self.tx_sequence, self.rx_dt, self.rx_nt, self.rc_phase,
            self.fp_index / 64.0, self.signal_strength, struct.unpack("<8h", self.acc_mem), self.ip_poa,
        )


class ForceConflict(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Force Conflict Data Item Definition"""
    type = 0x80CA
    definition = [
        DIUInt16Attr("device_count"),
        DISerialNumberListAttr("serial_numbers"),
    ]

    def add_serial_number(self, serial_number):
        self.serial_numbers.append(NorvaneSerialNumber(serial_number))
        self.device_count += 1


class SyncStatsPair(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Pair Data Item Definition. Private.
    Synchronization statistics of an anchor pair."""
    type = 0x80CB
    definition = [
        DISerialNumberAttr("tx_serial_number"),
        DIUInt8Attr("tx_interface_id"),
        DISerialNumberAttr("rx_serial_number"),
        DIUInt8Attr("rx_interface_id"),
        DIUInt16Attr("link_good_count"),
        DIUInt16Attr("link_invalid_range_count"),
        DIUInt16Attr("link_twr_failure_count"),
        DIUInt16Attr("link_rogue_node_count"),
        DIUInt16Attr("link_not_los_db_count"),
        DIDoubleAttr("surveyed_uwb_air_time"),
        DIDoubleAttr("error_average"),
        DIDoubleAttr("error_std_dev"),
        DIUInt16Attr("data_count"),
        DIFloatAttr("line_of_sight_first_path"),
        DIFloatAttr("line_of_sight_total_path"),
    ]


class SyncStatsV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats V4 Data Item Definition. Private.
    Synchronization statistics of the network application and of individual anchors."""
    type = 0x80CC
    definition = [
        DIUInt64Attr("tx_dt64"),
        DIDoubleAttr("tx_avg_error"),
        DIDoubleAttr("tx_std_dev_error"),
        DIDoubleAttr("tx_error_count"),
        DIDoubleAttr("rx_avg_error"),
        DIDoubleAttr("rx_std_dev_error"),
        DIDoubleAttr("rx_error_count"),
        DIUInt64Attr("tx_intercept_nt"),
        DIUInt64Attr("tx_intercept_dt"),
        DIUInt64Attr("rx_intercept_nt"),
        DIUInt64Attr("rx_intercept_dt"),
        DIDoubleAttr("clock_adjustment"),
        DIUInt16Attr("tx_locked_count"),
        DIUInt16Attr("tx_locking_count"),
        DIUInt16Attr("rx_locked_count"),
        DIUInt16Attr("rx_locking_count"),
        DIDoubleAttr("tx_weight_ramp"),
        DIDoubleAttr("rx_weight_ramp"),
        DIUInt64Attr("tx_rogue_node_fail_count"),
        DIUInt64Attr("tx_twr_threshold_fail_count"),
        DIUInt64Attr("tx_invalid_range_count"),
        DIUInt64Attr("rx_rogue_node_fail_count"),
        DIUInt64Attr("rx_twr_threshold_fail_count"),
        DIUInt64Attr("rx_invalid_range_count"),
    ]


class SimulatedRepeatRate(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Simulated Repeat Rate Data Item Definition. Private.
    Sets the repeat rate (period) of a simulated node from a given network time."""
    type = 0x80CD
    definition = [
        DISerialNumberAttr("serial_number"),
        DIUInt64Attr("network_time"),
        DIUInt32Attr("period"),
    ]


class ZoneBreachDataV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Zone Breach V2 Data Item Definition. Private.
    Reports a zone breach: its time, the zone, its status and the tags involved."""
    type = 0x80CE
    definition = [
        DIUInt64Attr("network_time"),
        DIFixedLengthStrAttr("zone_name", 32),
        DIUInt8Attr("breach_status"),
        DIUInt16Attr("number_of_tags"),
        DISerialNumberListAttr("serial_numbers"),
    ]


class SyncStatsV5(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats V5 Data Item Definition. Private.
    Synchronization statistics of the network application and of individual anchors."""
    type = 0x80D2
    definition = [
        DIUInt64Attr("tx_dt64"),
        DIDoubleAttr("tx_avg_error"),
        DIDoubleAttr("tx_std_dev_error"),
        DIDoubleAttr("tx_error_count"),
        DIDoubleAttr("rx_avg_error"),
        DIDoubleAttr("rx_std_dev_error"),
        DIDoubleAttr("rx_error_count"),
        DIUInt64Attr("tx_intercept_nt"),
        DIUInt64Attr("tx_intercept_dt"),
        DIUInt64Attr("rx_intercept_nt"),
        DIUInt64Attr("rx_intercept_dt"),
        DIDoubleAttr("clock_adjustment"),
        DIUInt16Attr("tx_locked_count"),
        DIUInt16Attr("tx_locking_count"),
        DIUInt16Attr("rx_locked_count"),
        DIUInt16Attr("rx_locking_count"),
        DIDoubleAttr("tx_weight_ramp"),
        DIDoubleAttr("rx_weight_ramp"),
        DIUInt64Attr("tx_rogue_node_fail_count"),
        DIUInt64Attr("tx_twr_threshold_fail_count"),
        DIUInt64Attr("tx_invalid_range_count"),
        DIUInt64Attr("rx_rogue_node_fail_count"),
        DIUInt64Attr("rx_twr_threshold_fail_count"),
        DIUInt64Attr("rx_invalid_range_count"),
        DIUInt64Attr("tx_positive_drift_failure_count"),
        DIUInt64Attr("tx_negative_drift_failure_count"),
        DIUInt64Attr("rx_positive_drift_failure_count"),
        DIUInt64Attr("rx_negative_drift_failure_count"),
    ]


class DamrPacket(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol DAMR Packet Data Item Definition. Private.
    Carries one packet of the DAMR protocol inside an RLX data item."""
    type = 0x80D3
    definition = [
        DIUInt8Attr("damr_type"),
        DIVariableLengthBytesAttr("packet"),
    ]

    def __str__(self):
        return "0x{:02X}, {}".format(self.damr_type, hex(int.from_bytes(self.packet, "little")))


class BackupRegisterContents(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Backup Register Contents Data Item Definition. Private.
    Reports the contents of a device's backup registers."""
    type = 0x80D5
    definition = [
        DIUInt16Attr("total_registers"),
        DIVariableLengthBytesAttr("backup_registers"),
    ]


class SwapImageCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Swap Image Command Data Item Definition. Private.
    Tells an anchor's bootloader to load its backup image."""
    type = 0x80D7


class EthernetPortStatus:
    """Ethernet Port Status Class Definition"""
    __repr__ = _record_repr
    definition = [
        DIUInt8Attr("port_number"),
        DIUInt8Attr("status_flags"),
        DIUInt8Attr("port_operation_mode"),
        DIUInt64Attr("port_rx_good_count"),
        DIUInt64Attr("port_rx_error_count"),
        DIUInt64Attr("port_tx_count"),
        DIUInt8Attr("reverse_polarity_indication"),
        DIUInt16Attr("link_state_change_count"),
    ]

    def __init__(self, port_number=0, status_flags=0, port_operation_mode=0, port_rx_good_count=0,
                 port_rx_error_count=0, port_tx_count=0, reverse_polarity_indication=0,
                 link_state_change_count=0):
        self.port_number = port_number
        self.status_flags = status_flags
        self.port_operation_mode = port_operation_mode
        self.port_rx_good_count = port_rx_good_count
        self.port_rx_error_count = port_rx_error_count
        self.port_tx_count = port_tx_count
        self.reverse_polarity_indication = reverse_polarity_indication
        self.link_state_change_count = link_state_change_count

    def __str__(self):
        return (f"{self.port_number!s}, {self.status_flags!s}, {self.port_operation_mode!s}, "
                f"{self.port_rx_good_count!s}, {self.port_rx_error_count!s}, {self.port_tx_count!s}, "
                f"{self.reverse_polarity_indication!s}, {self.link_state_change_count!s}")


class EthernetStatus(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Status Data Item Definition. Private.
    Reports the current state of an anchor's Ethernet switch with all its ports."""
    type = 0x80DF
    definition = [
        DIUInt32Attr("node_voltage"),
        DIBoolAttr("downstream_timeout"),
        DIListAttr("port_status", EthernetPortStatus),
    ]
