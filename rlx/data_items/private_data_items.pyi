# Type stub of rlx.data_items.private_data_items, generated from the built module by tools/make_stubs.py.
# Do not edit: run the script again after changing the catalog.

import builtins
import math as math
import struct as struct
from rlx.private_network_commands import (
    UWBNetworkCommandItem as UWBNetworkCommandItem,
)
from rlx.rlx import (
    NorvaneSerialNumber as NorvaneSerialNumber,
    DataItemAttribute as DataItemAttribute,
    DIUInt8Attr as DIUInt8Attr,
    DIUInt16Attr as DIUInt16Attr,
    DIUInt32Attr as DIUInt32Attr,
    DIUInt64Attr as DIUInt64Attr,
    DIInt8Attr as DIInt8Attr,
    DIInt16Attr as DIInt16Attr,
    DIInt32Attr as DIInt32Attr,
    DIInt64Attr as DIInt64Attr,
    DIFloatAttr as DIFloatAttr,
    DIDoubleAttr as DIDoubleAttr,
    DISerialNumberAttr as DISerialNumberAttr,
    DISerialNumberListAttr as DISerialNumberListAttr,
    DIUInt16ListAttr as DIUInt16ListAttr,
    DIListAttr as DIListAttr,
    DIFixedLengthBytesAttr as DIFixedLengthBytesAttr,
    DIFixedLengthStrAttr as DIFixedLengthStrAttr,
    DIVariableLengthBytesAttr as DIVariableLengthBytesAttr,
    DIVariableLengthStrAttr as DIVariableLengthStrAttr,
    DIBoolAttr as DIBoolAttr,
    DISignalStrengthAttr as DISignalStrengthAttr,
    DICondensedSignalStrengthAttr as DICondensedSignalStrengthAttr,
    DIRxStatsAttribute as DIRxStatsAttribute,
    RLXDataItem as RLXDataItem,
    RLXDataItemMeta as RLXDataItemMeta,
    RLXStreamError as RLXStreamError,
    get_item_class as get_item_class,
    known_item_types as known_item_types,
    decode_item as decode_item,
    iter_items as iter_items,
)
from typing import ClassVar

class UserDefinedCommandV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol User Defined Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    command_type: int
    payload: bytes

class PinStateReportV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin State Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    gnt: int
    pin_bank: int
    pin_mask: int
    def get_reported_pin_bank(self) -> int: ...

class PinConfig:
    """Pin Config Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    data: int
    def __init__(self, data: int = ...) -> None: ...
    def __repr__(self) -> str: ...
    def get_poll_interval(self) -> int: ...
    def get_change_report_flag(self) -> int: ...
    def get_pin_configuration(self) -> int: ...
    def __str__(self) -> str: ...
    def __eq__(self, other: object, /) -> bool: ...

class PinConfigurationReportV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    gnt: int
    pin_bank: int
    pin_mask: int
    pin_configurations: list[PinConfig]
    def get_reported_pin_bank(self) -> int: ...
    def add_pin_configurations(self, data: int) -> None: ...

class PinConfiguration(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    pin_bank: int
    pin_mask: int
    config_options: list[PinConfig]
    def get_reported_pin_bank(self) -> int: ...
    def get_send_report_flag(self) -> bool: ...
    def add_pin_configurations(self, data: int) -> None: ...

class NavigationModePosition(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Navigation Mode Position Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    position_x: int
    position_y: int
    position_z: int

class RFSchedule(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Schedule Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    packet_type: int
    start_time: int
    repeat_rate: int

class PinStateReportV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin State Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    gnt: int
    pin_bank: int
    pin_mask: int
    def get_reported_pin_bank(self) -> int: ...

class PinStateReportV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin State Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    nt64: int
    pin_bank: int
    pin_mask: int
    def get_reported_pin_bank(self) -> int: ...

class PinConfigurationReportV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    gnt: int
    pin_bank: int
    pin_mask: int
    pin_configurations: list[PinConfig]
    def get_reported_pin_bank(self) -> int: ...
    def add_pin_configurations(self, data: int) -> None: ...

class PinConfigurationReportV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Pin Configuration Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    nt64: int
    pin_bank: int
    pin_mask: int
    pin_configurations: list[PinConfig]
    def get_reported_pin_bank(self) -> int: ...
    def add_pin_configurations(self, data: int) -> None: ...

class DiagnosticAlert(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Diagnostic Alert Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    diagnostic_code: int
    state: int
    message: str

class TickV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Tick Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sequence: int
    source_serial_number: NorvaneSerialNumber | int
    source_id: int
    gnt: int
    gnt_quality: int
    announce_offset: int
    announce_prob: int
    cmd_countdown: int
    cmd_count: int
    sync_period: int
    tx_timestamp: int

class TimedRxV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sequence: int
    source_serial_number: NorvaneSerialNumber | int
    source_id: int
    rx_packet_type: int
    tx_timestamp: int
    rx_timestamp: int
    signal_strength: int

class PingV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sequence: int
    source_serial_number: NorvaneSerialNumber | int
    source_id: int
    flags: int
    rx_timestamp: int
    signal_strength: int
    payload: bytes

class DiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    rx_timestamp: int
    signal_strength: int

class SSPV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol SSP Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    response_type: int

class SmoothingFactorV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Smoothing Factor Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    src_address: int
    dest_address: int
    smoothing_factor: int

class ConfigurationDumpV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Configuration Dump Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    binary_config_data: bytes

class PositionStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Position Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    x0: int
    y0: int
    z0: int
    iterations: int

class AnchorResiduals(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    rx_timestamp: int
    weight: int
    adjustment_magnitude: int

class ImageNotificationV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Image Notification Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    image_type: int
    image_version: str
    image_sha1: bytes
    image_size: int
    sector_size: int
    image_serial: NorvaneSerialNumber | int
    hardware_match: bytes

class ImageRequestV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Image Request Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    image_serial: NorvaneSerialNumber | int
    sha1_end: int
    sector_number: int

class ImageSectorV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Image Sector Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    image_serial: NorvaneSerialNumber | int
    sha1_end: int
    sector_number: int
    sector: bytes

class IPDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol IP Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    transaction_id: int
    mac_address: bytes
    ip_address: int
    subnet_mask: int
    default_gateway: int
    vlan_id: int
    config_type: int
    listen_ip: int

class IPAssignmentV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol IP Assignment Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    transaction_id: int
    mac_address: bytes
    ip_address: int
    subnet_mask: int
    default_gateway: int
    vlan_id: int
    config_type: int

class WiredDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Wired Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    hardware_version: int
    server_instance: NorvaneSerialNumber | int
    capabilities: int
    payload: bytes
    def get_hardware_version(self) -> int: ...

class TimedRxV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt40: int
    tx_nt64: int
    rx_dt40: int
    rx_nt64: int
    source_serial_number: NorvaneSerialNumber | int
    signal_strength: int
    tx_nt_quality: int
    rx_nt_quality: int
    rx_packet_type: int

class TimedRxV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt40: int
    tx_nt64: int
    rx_dt40: int
    rx_nt64: int
    source_serial_number: NorvaneSerialNumber | int
    condensed_signal_strength: int
    tx_nt_quality: int
    rx_nt_quality: int
    rx_packet_type: int

class ExecuteDeviceCommandV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Execute Device Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    destination_group: int
    command_type_length: int
    command_data: bytes
    def get_command_type(self) -> int: ...
    def get_command_length(self) -> int: ...

class PingV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    sequence: int
    beacon_type: int
    nt_quality: int
    dt40: int
    nt64: int
    signal_strength: int
    payload: bytes

class PingV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    sequence: int
    packet_type: int
    nt_quality: int
    dt40: int
    nt64: int
    condensed_signal_strength: int
    payload: bytes

class TickV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Tick Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    dt40: int
    nt_quality: int

class PortInformation:
    """Port Information Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    voltage: int
    current: int
    def __init__(self, voltage: int = ..., current: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class PowerReport(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Power Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    port_mask: int
    output_enable_mask: int
    port_information: list[PortInformation]
    def add_port_information(self, voltage: int = ..., current: int = ...) -> None: ...

class SyncStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt64: int
    error: float
    clock_adjustment: float

class DomainInformation:
    """Domain Information: Domain Information Class Definition """
    nt64: int
    domaint: int
    quality: int
    slope: float
    intercept: int
    def __repr__(self) -> str: ...
    def __init__(self) -> None: ...
    def __str__(self) -> str: ...

class DIDomainInfoAttr(DataItemAttribute):
    """Data Item Attribute: RLX Data Item Domain Information Attribute Class Definition"""
    def __init__(self, name: str) -> None: ...
    def _encode(self, domain_info: DomainInformation) -> bytes: ...
    def _decode(self, data: bytes) -> tuple[DomainInformation, int]: ...

class ClockDomain(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock Domain Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    proc_domain: DomainInformation
    deca_domain: DomainInformation

class DecawaveStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Decawave Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    phr_error: int
    rsd_error: int
    fcs_good: int
    fcs_error: int
    rx_filter_rejection: int
    rx_overrun_error: int
    sfd_timeout: int
    preamble_timeout: int
    rx_wait_timeout: int
    tx_sent: int
    half_period_warning: int
    tx_power_up_warning: int

class UWBDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    server_instance: int
    nt64: int
    signal_strength: int
    nt_quality: int
    hardware_version: int
    payload: bytes
    def get_hardware_version(self) -> int: ...

class NetworkTraffic(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Traffic Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    server_ip: int
    server_port: int

class NetworkLockV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Lock Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    dt40: int
    nt64: int
    adjustment: float

class ClockNTDTV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and DT Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    dt64: int
    signal_strength: int
    ntdt_slope: float
    dtnt_slope: float
    ntdt_error: int
    dtnt_error: int

class ClockPTDT(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock PT and DT Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    pt64: int
    dt64: int
    signal_strength: int
    ptdt_slope: float
    dtpt_slope: float
    ptdt_error: int
    dtpt_error: int

class ClockNTPTV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and PT Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    pt64: int
    signal_strength: int
    ntpt_slope: float
    ptnt_slope: float
    ntpt_error: int
    ptnt_error: int

class UWBNetworkStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Network Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    irq_handler: int
    irq_spurious_event: int
    irq_read_buffer_error: int
    tx_total: int
    tx_time_error: int
    tx_quality_error: int
    tx_callback: int
    tx_task_busy_error: int
    tx_task_launch_error: int
    tx_task: int
    tx_app_callback: int
    rx_callback: int
    rx_task_busy_error: int
    rx_task_launch_error: int
    rx_task: int
    rx_app_callback: int

class SystemOwnershipRequest(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol System Ownership Request Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    version: int

class UserDataConfiguration(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol User Data Configuration Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    size: int
    headroom: int
    frequency: int

class SystemOwnershipReply(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol System Ownership Reply Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rf_channel: int
    rf_prf: int
    preamble_code: int
    tag_count: int
    serial_numbers: list[NorvaneSerialNumber]
    def add_serial_number(self, serial_number: int | NorvaneSerialNumber) -> None: ...

class InactiveSerialNumbers(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Inactive Serial Numbers Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_numbers: list[NorvaneSerialNumber]
    def add_serial_number(self, serial_number: int | NorvaneSerialNumber) -> None: ...

class TimedRxV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Timed Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt40: int
    tx_nt64: int
    rx_dt40: int
    rx_nt64: int
    source_serial_number: NorvaneSerialNumber | int
    source_interface_id: int
    signal_strength: int
    interface_id: int
    tx_nt_quality: int
    rx_nt_quality: int
    rx_packet_type: int

class PingV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    sequence: int
    beacon_type: int
    nt_quality: int
    dt40: int
    nt64: int
    signal_strength: int
    interface_id: int
    payload: bytes

class UWBDiscoveryV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    nt64: int
    signal_strength: int
    interface_id: int
    nt_quality: int
    hardware_version: int
    recovery_sha1: int
    bootloader_sha1: int
    firmware_sha1: int
    payload: bytes
    def get_hardware_version(self) -> int: ...
    def get_ota_upgrade(self) -> bool: ...

class UWBDiscoveryV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    nt64: int
    signal_strength: int
    nt_quality: int
    hardware_version: int
    recovery_sha1: int
    bootloader_sha1: int
    firmware_sha1: int
    payload: bytes
    def get_hardware_version(self) -> int: ...
    def get_ota_upgrade(self) -> bool: ...

class ExecuteDeviceCommandV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Execute Device Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    cmd_classes: ClassVar[dict[int, builtins.type[UWBNetworkCommandItem]]]
    commands: list[UWBNetworkCommandItem]
    @classmethod
    def register_cmd_item(cls, cmd_class: builtins.type[UWBNetworkCommandItem]) -> None: ...
    @classmethod
    def get_known_cmd_types(cls) -> None: ...
    def add_uwb_network_command(self, destination_group: int = ..., type: int = ..., length: int = ..., data: bytes | int = ...) -> None: ...
    def _encode(self) -> bytes: ...
    def _decode(self) -> None: ...
    def __str__(self) -> str: ...

class TickV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Tick Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    dt40: int
    nt_quality: int
    interface_id: int

class DBChanged(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol DB Changed Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]

class NetworkLockV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Lock Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    dt64: int
    nt64: int
    adjustment: float
    interface_id: int
    nt_quality: int

class SendDeviceCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Send Device Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    debug_data: bytes

class AnchorResidualsV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    interface_id: int
    rx_timestamp: int
    weight: int
    adjustment_magnitude: int

class ClockNTDTV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and DT Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    interface_id: int
    nt64: int
    dt64: int
    ntdt_slope: float
    dtnt_slope: float
    ntdt_error: int
    dtnt_error: int

class ClockNTPTV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock NT and PT Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    pt64: int
    ntpt_slope: float
    ptnt_slope: float
    ntpt_error: int
    ptnt_error: int

class ClockSeeder(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock Seeder Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    interface_id: int
    serial_number: NorvaneSerialNumber | int

class ClockDT(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock DT Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    interface_id: int
    dt64_adjusted: int
    dt64_raw: int
    signal_strength: int

class ContentDiscoveryV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sha256: bytes

class ContentNotificationV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Notification Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sha256: bytes
    content_size: int
    sector_size: int

class ContentRequestV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Request Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sha256_end: int
    sector_number: int

class ContentSectorV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Sector Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sha256_end: int
    sector_number: int
    sector: bytes

class Ack(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Acknowledge Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int

class NetworkLockV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network Lock Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    intercept: int
    adjustment: float
    interface_id: int
    nt_quality: int

class BridgeCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Bridge Command Data Item Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    type: int
    size: int
    data: bytes

class RLXBandwidthTestCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RLX Bandwidth Test Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    packet_length: int
    packet_interval: int
    test_duration: int

class RLXBandwidthTestPacket(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RLX Bandwidth Test Packet Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sequence: int
    data: bytes

class UWBDiscoveryV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    nt64: int
    signal_strength: int
    interface_id: int
    nt_quality: int
    announce_header: int
    server_instance: NorvaneSerialNumber | int
    serial_number: NorvaneSerialNumber | int
    sequence_number_and_capabilities: int
    firmware_IVSHA_ending: int
    optional_capability_data: bytes

class DevicesReady(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Devices Ready Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    server_instance: int

class EthernetTimedRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Timed Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sequence: int
    rx_dt64: int
    rx_nt64: int
    rx_pt64: int
    source_serial_number: NorvaneSerialNumber | int
    interface_id: int
    tx_nt_quality: int
    rx_nt_quality: int

class EthernetTick(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Tick Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_nt64: int
    tx_pt64: int
    nt_quality: int

class ServerReady(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Server Ready Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    server_instance: int

class SyncStatsV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt64: int
    tx_avg_error: float
    tx_std_dev_error: float
    tx_error_count: float
    rx_avg_error: float
    rx_std_dev_error: float
    rx_error_count: float
    tx_intercept_nt: int
    tx_intercept_dt: int
    rx_intercept_nt: int
    rx_intercept_dt: int
    clock_adjustment: float
    tx_locked_count: int
    tx_locking_count: int
    rx_locked_count: int
    rx_locking_count: int

class ContentSectorV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Content Sector Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sha256: bytes
    version_string: str
    content_size: int
    sector_size: int
    sector_count: int
    sector_index: int
    data: bytes

class ProcessorStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Processor Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    processor_uptime: int
    memory_available: int
    reset_type: int
    abort_info: bytes

class UWBStackStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sync_attempts: int
    sync_failures: int

class UWBStackNetworkInterfaceStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Network Interface Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    identifier: int
    tx_event_callback: int
    rx_event_callback: int
    schedule_tx_success: int
    schedule_tx_failure: int
    schedule_rx_success: int
    schedule_rx_failure: int
    schedule_config_success: int
    schedule_config_failure: int

class UWBStackNetworkLayerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Network Layer Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_create: int
    network_add_itf_success: int
    network_add_itf_failure: int
    network_repeated_event_missed: int
    network_one_time_event_missed: int
    schedule_task_success: int
    schedule_task_failure: int
    remove_event: int
    schedule_event_success: int
    schedule_event_failure: int
    destroy_event: int
    current_nt: int
    current_dt: int
    nt_pt_update: int
    nt_pt_large_slope_jump: int
    nt_pt_duplicate_time: int
    nt_pt_past_time: int
    nt_dt_update: int
    nt_dt_large_slope_jump: int
    nt_dt_duplicate_time: int
    nt_dt_past_time: int
    time_on_network: int
    ssel_nt_pt_terrible: int
    ssel_nt_delta_off: int
    ssel_quality_below_min: int
    ssel_missing_timestamp: int
    seeder_id: int
    ssel_state: int
    nt_dt_quality: int
    ssel_missed_phase_commands: int
    ssel_missed_recovery_commands: int
    ssel_max_widening_factor: int

class UWBStackEventManagerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Event Manager Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    identifier: int
    add_transmit_immediate: int
    add_transmit_in_future: int
    add_transmit_in_past: int
    add_transmit_success: int
    add_transmit_failure: int
    add_receive_immediate: int
    add_receive_in_future: int
    add_receive_already_started: int
    add_receive_in_past: int
    add_receive_success: int
    add_receive_failure: int
    add_config_immediate: int
    add_config_in_future: int
    add_config_success: int
    add_config_failure: int
    remove_event_success: int
    remove_event_failure: int
    reset: int
    task_config: int
    task_stop_receive: int
    task_start_receive: int
    task_transmit: int
    task_wake: int
    handler_wake_success: int
    handler_tx_failure: int
    handler_tx_success: int
    handler_tx_start: int
    handler_tx_capture: int
    handler_rx_failure: int
    handler_rx_success: int
    handler_rx_start: int
    lde_done: int
    tx_callback: int
    rx_callback: int
    rx_valid_data: int
    task_irq_process: int
    rx_timeout: int
    tx_at_nt_dt: int
    tx_at_dt_pt: int
    tx_now: int
    timeout_wake: int
    timeout_tx_preamble: int
    timeout_tx_end: int
    tx_blocked_by_rx: int
    tx_blocked_by_tx: int
    tx_blocked_by_wake: int
    tx_blocked_by_sleep: int
    low_power_state_changed_to_sleep: int
    low_power_state_changed_to_idle: int
    low_power_state_changed_to_receive: int
    rx_buffers_full: int
    tx_zero_length: int

class UWBStackLinkLayerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Link Layer Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    uwb_event_manager_create: int

class UWBStackPhysicalLayerStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Physical Layer Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    uwb_device_create_success: int
    uwb_device_create_error: int
    uwb_device_destroy: int
    uwb_device_state_create_error: int
    uwb_device_config_create_error: int
    dw1000_create_failure: int

class UWBStackDeviceStatsV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol UWB Stack Device Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    identifier: int
    bytes_received: int
    bytes_transmitted: int
    configure: int
    irq_handler: int
    irq_handler_loop: int
    cplock: int
    irq_handled: int
    txfrb: int
    txprs: int
    txphs: int
    txfrs: int
    txberr: int
    hpdwarn: int
    rxprd: int
    rxsfdto: int
    rxsfdd: int
    rxphe: int
    rxphd: int
    rxrfsl: int
    rxrfto: int
    rxdfr: int
    rxfcg: int
    rxfce: int
    lde_not_done: int
    receiver_reset: int
    dcs_passed: int
    dcs_failed: int
    go_to_idle: int
    go_to_sleep: int
    tx_now: int
    tx_at: int
    tx_error_sync_clock_reset: int
    go_to_rx: int
    tx_data_too_big: int
    rxoverr: int
    temperature: int
    rx_hpdwarn: int
    rxpto: int
    txpute: int

class ParticleUpdater(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Particle Updater Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    flags: int
    def get_almanac_flag(self) -> bool: ...
    def get_firmware_flag(self) -> bool: ...
    def get_content_flag(self) -> bool: ...

class DebugTraffic(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Debug Traffic Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    server_ip: int
    server_port: int

class UWBSnifferPacket(RLXDataItem):
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    data: bytes

class SyncStatsV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt64: int
    tx_avg_error: float
    tx_std_dev_error: float
    tx_error_count: float
    rx_avg_error: float
    rx_std_dev_error: float
    rx_error_count: float
    tx_intercept_nt: int
    tx_intercept_dt: int
    rx_intercept_nt: int
    rx_intercept_dt: int
    clock_adjustment: float
    tx_locked_count: int
    tx_locking_count: int
    rx_locked_count: int
    rx_locking_count: int
    tx_rogue_node_fail_count: int
    tx_twr_threshold_fail_count: int
    tx_invalid_range_count: int
    rx_rogue_node_fail_count: int
    rx_twr_threshold_fail_count: int
    rx_invalid_range_count: int

class AnchorResidualsV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    interface_id: int
    rx_timestamp: int
    weight: int
    adjustment_magnitude: int
    sequence: int
    first_path: int
    total_path: int

class SystemOwnershipReleaseUnconfigured(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol
    System Ownership Release Unconfigured
    Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    server_instance: int
    serial_numbers: list[NorvaneSerialNumber]
    def add_serial_number(self, serial_number: int | NorvaneSerialNumber) -> None: ...

class RFAgilityRead(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Agility Read Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int

class BucketSettings:
    """Bucket Settings Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    channel: int
    prf: int
    preamble_code: int
    preamble_length: int
    bit_rate: int
    power_mode: int
    phr_power: int
    data_power: int
    on_time: int
    initial_off_time: int
    backoff: int
    max_off_time: int
    def __init__(self, channel: int = ..., rpf: int = ..., preamble_code: int = ..., preamble_length: int = ..., bit_rate: int = ..., power_mode: int = ..., phr_power: int = ..., data_power: int = ..., on_time: int = ..., initial_off_time: int = ..., backoff: int = ..., max_off_time: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class RFAgilityWrite(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Agility Write Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number_mask: NorvaneSerialNumber | int
    bucket_settings: list[BucketSettings]
    def add_bucket_settings(self, channel: int = ..., rpf: int = ..., preamble_code: int = ..., preamble_length: int = ..., bit_rate: int = ..., power_mode: int = ..., phr_power: int = ..., data_power: int = ..., on_time: int = ..., initial_off_time: int = ..., backoff: int = ..., max_off_time: int = ...) -> None: ...

class CacheRequest(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Cache Request Data Item Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    transaction_id: int
    type: int

class AcknowledgeListResponse(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Acknowledge List Response Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    num_acknowledged: int
    num_not_acknowledged: int
    acknowledged_serials: list[NorvaneSerialNumber]
    not_acknowledged_serials: list[NorvaneSerialNumber]
    ack_string: str
    def add_acknowledged_serial(self, serial_number: int | NorvaneSerialNumber) -> None: ...
    def add_not_acknowledged_serial(self, serial_number: int | NorvaneSerialNumber) -> None: ...
    def _encode(self) -> bytes: ...
    def _decode(self) -> None: ...

class CacheReadResult(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Cache Read Result Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    transaction_id: int
    error_string: str

class NavigationModeDataBackhaulCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Navigation Mode Data Backhaul Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    enable: int

class NetAppTimeModelStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Net App Time Model Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    calculated_nt: int
    reported_nt: int
    slope: float
    nt_was_used: int

class MultiRangeRx:
    """Multi Range Rx Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    rx_serial_number: NorvaneSerialNumber
    rx_interface_identifier: int
    sequence_number: int
    dt_rx: int
    quality: int
    first_path: int
    total_path: int
    def __init__(self, rx_serial_number: int | NorvaneSerialNumber = ..., rx_interface_identifier: int = ..., sequence_number: int = ..., dt_rx: int = ..., quality: int = ..., first_path: int = ..., total_path: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class MrTransmissionV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Transmission Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    interface_identifier: int
    antenna_delay: int
    sequence_number: int
    dt_tx: int
    number_of_mr_packets: int
    mr_rx_list: list[MultiRangeRx]
    payload: str
    def _encode(self) -> bytes: ...
    def _decode(self) -> None: ...

class MrReceptionV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Reception Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    signal_strength: int
    rx_nt: int
    serial_number: NorvaneSerialNumber | int
    interface_identifier: int
    antenna_delay: int
    sequence_number: int
    dt_tx: int
    number_of_mr_packets: int
    mr_rx_list: list[MultiRangeRx]
    payload: str
    def _encode(self) -> bytes: ...
    def _decode(self) -> None: ...

class RedundantPowerCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Redundant Power Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    enable: bool

class RstpConfigCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RSTP Config Command Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    enable: bool
    max_age: int
    forward_delay: int

class PositionStatsV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Position Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    x0: int
    y0: int
    z0: int
    iterations: int

class AnchorResidualsV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tag_serial_number: NorvaneSerialNumber | int
    anchor_serial_number: NorvaneSerialNumber | int
    anchor_interface_id: int
    rx_timestamp: int
    weight: int
    adjustment_magnitude: int
    sequence: int
    first_path: int
    total_path: int

class PingTimingDebugV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ping Timing Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    network_time: int
    timeout: int
    slowest_ping_time: int
    sequence: int
    early_count: int
    late_count: int

class WiredNtLockAnnounceV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Wired NT Lock Announce Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_time: int
    announce_packet: bytes

class TagOwnershipReport:
    """Tag Ownership Report Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    tag_serial_number: NorvaneSerialNumber
    num_packets_heard: int
    avg_receiving_anchors: int
    def __init__(self, tag_serial_number: int | NorvaneSerialNumber = ..., num_packets_heard: int = ..., avg_receiving_anchors: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class PeriodicSystemOwnershipReport(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Periodic System Ownership Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    num_tags_owned: int
    num_tags_unowned: int
    owned_tags: list[NorvaneSerialNumber]
    tag_ownership_reports: list[TagOwnershipReport]
    def _encode(self) -> bytes: ...
    def _decode(self) -> None: ...

class TransferTagOwnership(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Transfer Tag Ownership Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    new_network: NorvaneSerialNumber | int

class AnchorResidualsV5(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tag_serial_number: NorvaneSerialNumber | int
    anchor_serial_number: NorvaneSerialNumber | int
    anchor_interface_id: int
    status: int
    rx_timestamp: int
    twr_distance: int
    weight: int
    adjustment_magnitude: int
    sequence: int
    first_path: int
    total_path: int

class PeriodicSystemOwnershipReportV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Periodic System Ownership Report Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    num_tags_owned: int
    num_tags_unowned: int
    owned_tags: list[NorvaneSerialNumber]
    tag_ownership_reports: list[TagOwnershipReport]
    def _encode(self) -> bytes: ...
    def _decode(self) -> None: ...

class AckTagResponseMapping(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ack Tag Response Mapping Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    command_sha1: bytes

class CamrDiscovery(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    source_serial_number: NorvaneSerialNumber | int
    server_instance: NorvaneSerialNumber | int
    command_window_offset: int
    period: int

class AnchorAnnounceRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Announce Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    source_serial_number: NorvaneSerialNumber | int
    sequence_number: int

class CamrStartRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Start Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    source_serial_number: NorvaneSerialNumber | int
    info: int
    sequence_number: int

class CamrStampRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Stamp Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    source_serial_number: NorvaneSerialNumber | int
    sequence_number: int

class AnchorStampRx:
    """Anchor Stamp Rx Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    anchor_serial_number: NorvaneSerialNumber
    rx_dt32: int
    first_path: int
    total_path: int
    def __init__(self, anchor_serial_number: int | NorvaneSerialNumber = ..., rx_dt32: int = ..., first_path: int = ..., total_path: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class CamrEndRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR End Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    tag_serial_number: NorvaneSerialNumber | int
    sequence_number: int
    tx_dt32: int
    stamps: list[AnchorStampRx]

class CamrStampTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Stamp Tx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tag_serial_number: NorvaneSerialNumber | int
    interface_id: int
    sequence_number: int
    tx_dt64: int

class AnchorAnnounceTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Announce Tx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    interface_id: int
    sequence_number: int
    tx_dt64: int

class TrickleBufferDataRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Trickle Buffer Data Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    source_serial_number: NorvaneSerialNumber | int
    sequence_number: int
    rx_nt64: int
    payload: bytes

class PersistentPropertyTypes(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Persistent Property Types Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    offset: int
    total_types: int
    data: bytes

class PersistentPropertyData(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Persistent Property Data Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    prop_id: int
    offset: int
    total_size: int
    payload: bytes

class ParticleUpdaterStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Particle Updater Stats Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    status_strings: ClassVar[list[str]]
    image_names: ClassVar[list[str]]
    image_version: str
    image_sha1: bytes
    image_size: int
    bytes_saved: int
    sector_number: int
    sector_size: int
    image_type: int
    status: int
    def image_name(self) -> str: ...
    def sector_status(self) -> str: ...

class CamrDiscoveryV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol CAMR Discovery Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    source_serial_number: NorvaneSerialNumber | int
    server_instance: NorvaneSerialNumber | int
    command_window_offset: int
    period: int
    firmware_ivsha1_ending: int
    device_info: int
    optional_data: bytes

class OtaImageRequest(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol OTA Image Request Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    serial_number: NorvaneSerialNumber | int
    ivsha1_ending: int
    sector_number: int

class MrStartRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Start Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    rx_nt: int
    source_serial_number: NorvaneSerialNumber | int
    info: int
    payload: bytes

class MrStampTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Stamp Tx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt64: int
    tx_nt64: int
    tag_serial_number: NorvaneSerialNumber | int
    interface_id: int
    sequence_number: int
    info: int

class MrStampRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR Stamp Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    rx_nt64: int
    source_serial_number: NorvaneSerialNumber | int
    info: int

class AnchorMrStampRx:
    """Anchor MR Stamp Rx Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    anchor_serial_number: NorvaneSerialNumber
    rx_dt32: int
    first_path: int
    total_path: int
    sequence_number: int
    def __init__(self, anchor_serial_number: int | NorvaneSerialNumber = ..., rx_dt32: int = ..., first_path: int = ..., total_path: int = ..., sequence: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class MrEndRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol MR End Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    rx_nt64: int
    tx_dt32: int
    tag_serial_number: NorvaneSerialNumber | int
    sequence_number: int
    stamps: list[AnchorMrStampRx]

class AnchorResidualsV6(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Anchor Residuals Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tag_serial_number: NorvaneSerialNumber | int
    anchor_serial_number: NorvaneSerialNumber | int
    anchor_interface_id: int
    status: int
    rx_timestamp: int
    twr_distance: int
    weight: int
    adjustment_magnitude: int
    sequence: int

class AngleOfArrivalV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Angle of Arrival Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    rx_interface_id: int
    packet_type: int
    channel: int
    preamble_code: int
    unused: int
    tx_sequence: int
    rx_dt: int
    rx_nt: int
    rc_phase: int
    fp_index: int
    signal_strength: int
    acc_mem: bytes
    def __str__(self) -> str: ...

class RadarInterfaceData:
    """Radar Interface Data Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber
    interface_identifier: int
    rx_dt: int
    rx_phase: float
    weight: float
    status: int
    def __init__(self, serial_number: int | NorvaneSerialNumber = ..., interface_identifier: int = ..., rx_dt: int = ..., rx_phase: float = ..., weight: float = ..., status: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class RadarDebugV1(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    tx_sequence: int
    rho: int
    theta: float
    phi: float
    num_interfaces: int
    interface_data: list[RadarInterfaceData]

class RadarInterfaceDataV2:
    """Radar Interface Data V2 Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber
    interface_identifier: int
    uwb_packet_type: int
    rx_dt: int
    rx_phase: float
    first_path: float
    total_path: float
    weight: float
    status: int
    def __init__(self, serial_number: int | NorvaneSerialNumber = ..., interface_identifier: int = ..., uwb_packet_type: int = ..., rx_dt: int = ..., rx_phase: float = ..., first_path: float = ..., total_path: float = ..., weight: float = ..., status: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class RadarDebugV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data V2 Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    tx_sequence: int
    rho: int
    theta: float
    phi: float
    num_interfaces: int
    interface_data: list[RadarInterfaceDataV2]

class SelfCalibrationDebug(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_time: int
    phase_cal_0: float
    phase_cal_1: float
    phase_cal_2: float
    phase_cal_3: float
    phase_cal_4: float
    dt_cal_0: int
    dt_cal_1: int
    dt_cal_2: int
    dt_cal_3: int
    dt_cal_4: int
    def __str__(self) -> str: ...

class RepeatedSyncRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Repeated Sync Rx Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    sequence: int
    source_serial_number: NorvaneSerialNumber | int
    tx_timestamp: int
    sync_offset: int
    rx_timestamp: int
    num_commands: int
    signal_strength: int

class SetProtectedPersistentProperty(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Set Protected Persistent Property Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    config: int
    property_id: int
    property_value: bytes
    def set_persistent_property(self) -> None: ...
    def clear_persistent_property(self) -> None: ...

class GetProtectedPersistentPropertyValue(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Get Protected Persistent Property Value Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    property_id: int

class GetProtectedPersistentPropertyList(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Get Protected Persistent Property List Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int

class EthernetStats(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Stats Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    max_frame: int
    tx_total: int
    tx_broadcast: int
    tx_multicast: int
    tx_bytes: int
    tx_pause: int
    tx_exactly_64: int
    tx_range_65_127: int
    tx_range_128_255: int
    tx_range_256_511: int
    tx_range_511_1023: int
    tx_range_1024_1518: int
    tx_over_1518: int
    tx_underrun: int
    tx_single_collision: int
    tx_multiple_collision: int
    tx_excessive_collision: int
    tx_late_collision: int
    tx_deferred: int
    tx_carrier_error: int
    rx_total: int
    rx_broadcast: int
    rx_multicast: int
    rx_bytes: int
    rx_pause: int
    rx_exactly_64: int
    rx_range_65_127: int
    rx_range_128_255: int
    rx_range_256_511: int
    rx_range_511_1023: int
    rx_range_1024_1518: int
    rx_over_1518: int
    rx_undersized: int
    rx_oversized: int
    rx_jabber: int
    rx_checksum_error: int
    rx_length_error: int
    rx_symbol_error: int
    rx_alignment_error: int
    rx_resource_error: int
    rx_overrun: int
    rx_ip_checksum_error: int
    rx_tcp_checksum_error: int
    rx_udp_checksum_error: int

class LEDReport(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol LED Report Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    timestamp_ms: int
    red: int
    green: int
    blue: int
    intensity: int

class PoeDebug(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol PoE Debug Data Item Definition. Protected.
    Debug snapshot of the PoE microcontroller subsystem, with the time it was taken."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    comms_status: int
    upstream_port: int
    downstream_port: int
    reclass_events: int
    downstream_class: int
    mps_current: int
    veth: int
    adjusted_current_draw: int
    legacy_polarity: int
    reclassed: int
    p1_pair_voltage_12: int
    p1_pair_voltage_36: int
    p1_pair_voltage_45: int
    p1_pair_voltage_78: int
    p2_pair_voltage_12: int
    p2_pair_voltage_36: int
    p2_pair_voltage_45: int
    p2_pair_voltage_78: int
    mps_on: int
    gnd_current: int
    iref_current: int
    p1_current: int
    p2_current: int
    upstream_type: int
    mps_signature: int
    downstream_impedance: int
    detect_failure_cause: int
    class_fail_pair_voltage_12: int
    class_fail_pair_voltage_36: int
    class_fail_pair_voltage_45: int
    class_fail_pair_voltage_78: int
    die_temp: int
    long_class_period: int
    month: int
    day: int
    year: int
    hours: int
    minutes: int
    seconds: int
    milliseconds: int

class RamrNotificationRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Notification Rx Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    tag_serial_number: NorvaneSerialNumber | int
    sequence_number: int

class RamrSelfCalibrationTx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Self Calibration Tx Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    interface_id: int
    sequence_number: int
    tx_dt64: int

class RamrSelfCalibrationRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Self Calibration Rx Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    rx_interface_id: int
    tx_interface_id: int
    sequence_number: int

class PhaseBackhaul(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Phase Backhaul Data Item Definition. Private.
    Carries the phase data of a phase array for processing and debugging."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    phase_array_serial: NorvaneSerialNumber | int
    source_serial: NorvaneSerialNumber | int
    sequence_number: int
    quality: bytes
    phase_data: list[int]

class SingleAntennaSelfCalibration:
    """Single Antenna Self Calibration Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt: int
    rx_phase_0: int
    rx_dt_0: int
    rx_phase_1: int
    rx_dt_1: int
    rx_phase_2: int
    rx_dt_2: int
    rx_phase_3: int
    rx_dt_3: int
    def __init__(self, tx_dt: int = ..., rx_phase_0: int = ..., rx_dt_0: int = ..., rx_phase_1: int = ..., rx_dt_1: int = ..., rx_phase_2: int = ..., rx_dt_2: int = ..., rx_phase_3: int = ..., rx_dt_3: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class SelfCalibrationInputData(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Input Data Item Definition. Private.
    Carries the raw per-antenna self-calibration measurements of one anchor, from which its calibration is computed."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    antenna_data: list[SingleAntennaSelfCalibration]

class NetworkIdSerialNumberMapEntry:
    """Network ID Serial Number Map Entry Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    network_id: int
    serial_number: NorvaneSerialNumber | int
    def __repr__(self) -> str: ...

class NetworkIdSerialNumberMap(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Network ID Serial Number Map Data Data Item Definition. Private.
    Maps network IDs to the serial numbers of the devices."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_id_devices: int
    network_id_length: int
    map_length: int
    map_entries: list[NetworkIdSerialNumberMapEntry]

class ClockPacket(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Clock Packet Data Item Definition. Private.
    Updates network time and tells the network application when to send commands in NTC mode."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_time: int
    nt_quality: int

class SelfCalibrationDebugV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_time: int
    phase_cal_0: float
    phase_cal_1: float
    phase_cal_2: float
    phase_cal_3: float
    phase_cal_4: float
    phase_cal_5: float
    dt_cal_0: int
    dt_cal_1: int
    dt_cal_2: int
    dt_cal_3: int
    dt_cal_4: int
    dt_cal_5: int
    num_interfaces: int
    def __str__(self) -> str: ...

class NTCCommandAcknowledge(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol NTC Command Acknowledge Data Item Definition. Private.
    Acknowledges reception of NTC commands."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    command_tx_nt: int
    network_time_received: int
    transmit_success: int

class SelfCalibrationDebugV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    phase_cal_0: float
    phase_cal_1: float
    phase_cal_2: float
    phase_cal_3: float
    phase_cal_4: float
    phase_cal_5: float
    dt_cal_0: int
    dt_cal_1: int
    dt_cal_2: int
    dt_cal_3: int
    dt_cal_4: int
    dt_cal_5: int
    num_interfaces: int
    def __str__(self) -> str: ...

class RamrSelfCalibrationTxV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Self Calibration Tx Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    interface_id: int
    sequence_number: int
    tx_dt64: int
    channel: int

class SelfCalibrationDebugV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Self Calibration Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    phase_cal_0: float
    phase_cal_1: float
    phase_cal_2: float
    phase_cal_3: float
    phase_cal_4: float
    phase_cal_5: float
    dt_cal_0: int
    dt_cal_1: int
    dt_cal_2: int
    dt_cal_3: int
    dt_cal_4: int
    dt_cal_5: int
    num_interfaces: int
    channel: int
    def __str__(self) -> str: ...

class RadarInterfaceDataV3:
    """Radar Interface Data V3 Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    interface_identifier: int
    uwb_packet_type: int
    rx_dt: int
    rx_phase: float
    first_path: float
    total_path: float
    weight: float
    status: int
    def __init__(self, interface_identifier: int = ..., uwb_packet_type: int = ..., rx_dt: int = ..., rx_phase: float = ..., first_path: float = ..., total_path: float = ..., weight: float = ..., status: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class RadarDebugV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    tx_sequence: int
    distance: int
    azimuth: float
    elevation: float
    pos_quality: int
    dist_quality: int
    dt_search_angle: int
    start_phase_error: int
    end_phase_error: int
    num_interfaces: int
    interface_data: list[RadarInterfaceDataV3]

class RadarInterfaceDataV4:
    """Radar Interface Data V4 Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    rx_dt: int
    rx_phase: float
    first_path: float
    total_path: float
    weight: float
    status: int
    def __init__(self, rx_dt: int = ..., rx_phase: float = ..., first_path: float = ..., total_path: float = ..., weight: float = ..., status: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class RadarDebugV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    tx_sequence: int
    distance: int
    azimuth: int
    elevation: int
    pos_quality: int
    dist_quality: int
    dt_search_angle: int
    start_phase_error: int
    end_phase_error: int
    short_dt_angular_difference: int
    long_dt_angular_difference: int
    num_interfaces: int
    interface_data: list[RadarInterfaceDataV4]

class RamrRiderRx(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RAMR Rider Rx Data Item Definition."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    rx_stats: tuple[int, int, int, int]
    tag_serial_number: NorvaneSerialNumber | int
    sequence_number: int

class SeederIndexSerialNumberMapEntry:
    """Seeder Index Serial Number Map Entry Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    seeder_index: int
    serial_number: NorvaneSerialNumber | int
    def __init__(self, seeder_index: int = ..., serial_number: int | NorvaneSerialNumber = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class SeederIndexSerialNumberMap(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Seeder Index Serial Number Map Data Item Definition. Private.
    Sends the mapping of seeder indexes to serial numbers."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    map_length: int
    map_entries: list[SeederIndexSerialNumberMapEntry]

class RadarPositionDebugData:
    """Radar Position Debug Data Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    channel: int
    azimuth: int
    elevation: int
    pos_quality: int
    sum_of_phase_error: int
    dt_search_angle: int
    short_dt_angular_difference: int
    long_dt_angular_difference: int
    num_interfaces: int
    interface_data: list[RadarInterfaceDataV4]
    distance: int
    dist_quality: int
    def __repr__(self) -> str: ...
    def __init__(self, channel: int = ..., distance: int = ..., azimuth: int = ..., elevation: int = ..., pos_quality: int = ..., dist_quality: int = ..., sum_of_phase_error: int = ..., dt_search_angle: int = ..., short_dt_angular_difference: int = ..., long_dt_angular_difference: int = ..., num_interfaces: int = ..., interface_data: list[RadarInterfaceDataV4] = ...) -> None: ...
    def __str__(self) -> str: ...

class RadarDebugV5(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Radar Debug Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    network_time: int
    tx_sequence: int
    distance: int
    dist_quality: int
    num_channels: int
    position_data: list[RadarPositionDebugData]
    def _decode(self) -> None: ...

class AnchorAngleData:
    """Anchor Angle Data Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    angle: int
    status: int
    weight: int
    def __repr__(self) -> str: ...

class PhaseOrientationDebug(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Phase Orientation Debug Data Item Definition. Private.
    Reports the orientation quaternion of a tag with the angle of arrival that each anchor measured."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tag_serial_number: NorvaneSerialNumber | int
    network_time: int
    x: int
    y: int
    z: int
    w: int
    quality: int
    angle_data: list[AnchorAngleData]

class RFScheduleV3(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol RF Schedule V3 Data Item Definition. Private.
    Carries the scheduling information of a slot and the devices it concerns."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    command_type: int
    start_time: int
    duration: int
    period: int
    flags: int
    serial_numbers: list[NorvaneSerialNumber]
    def add_serial_number(self, serial_number: int | NorvaneSerialNumber) -> None: ...

class PreallocatedSlotAssignments(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Preallocated Slot Assignments Data Item Definition. Private.
    Tells which devices use the preallocated slots of a role and device configuration."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    role_id: int
    device_config_id: int
    num_slots: int
    serial_number_list: list[NorvaneSerialNumber]

class DeviceSize(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Device Size Data Item Definition. Private.
    Resizes a device by x, y and z scale factors."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    x_scale: float
    y_scale: float
    z_scale: float

class SimulatedUWBTransmission(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Simulated UWB Transmission Data Item Definition. Private.
    Describes a UWB transmission happening between two simulated devices, with the transmitter's times and position and the packet itself."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt: int
    tx_nt: int
    x: int
    y: int
    z: int
    uwb_packet: bytes

class SimulatedReset(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Simulated Reset Data Item Definition. Private.
    Puts a simulated node into, or takes it out of, a held-in-reset state at a given network time."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    network_time: int
    reset_status: bool

class AngleOfArrivalV6(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Angle of Arrival Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    source_serial_number: NorvaneSerialNumber | int
    rx_interface_id: int
    packet_type: int
    channel: int
    preamble_code: int
    unused: int
    tx_sequence: int
    rx_dt: int
    rx_nt: int
    rc_phase: int
    fp_index: int
    signal_strength: int
    acc_mem: bytes
    ip_poa: int
    def __str__(self) -> str: ...

class ForceConflict(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Force Conflict Data Item Definition"""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    device_count: int
    serial_numbers: list[NorvaneSerialNumber]
    def add_serial_number(self, serial_number: int | NorvaneSerialNumber) -> None: ...

class SyncStatsPair(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats Pair Data Item Definition. Private.
    Synchronization statistics of an anchor pair."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_serial_number: NorvaneSerialNumber | int
    tx_interface_id: int
    rx_serial_number: NorvaneSerialNumber | int
    rx_interface_id: int
    link_good_count: int
    link_invalid_range_count: int
    link_twr_failure_count: int
    link_rogue_node_count: int
    link_not_los_db_count: int
    surveyed_uwb_air_time: float
    error_average: float
    error_std_dev: float
    data_count: int
    line_of_sight_first_path: float
    line_of_sight_total_path: float

class SyncStatsV4(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats V4 Data Item Definition. Private.
    Synchronization statistics of the network application and of individual anchors."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt64: int
    tx_avg_error: float
    tx_std_dev_error: float
    tx_error_count: float
    rx_avg_error: float
    rx_std_dev_error: float
    rx_error_count: float
    tx_intercept_nt: int
    tx_intercept_dt: int
    rx_intercept_nt: int
    rx_intercept_dt: int
    clock_adjustment: float
    tx_locked_count: int
    tx_locking_count: int
    rx_locked_count: int
    rx_locking_count: int
    tx_weight_ramp: float
    rx_weight_ramp: float
    tx_rogue_node_fail_count: int
    tx_twr_threshold_fail_count: int
    tx_invalid_range_count: int
    rx_rogue_node_fail_count: int
    rx_twr_threshold_fail_count: int
    rx_invalid_range_count: int

class SimulatedRepeatRate(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Simulated Repeat Rate Data Item Definition. Private.
    Sets the repeat rate (period) of a simulated node from a given network time."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    serial_number: NorvaneSerialNumber | int
    network_time: int
    period: int

class ZoneBreachDataV2(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Zone Breach V2 Data Item Definition. Private.
    Reports a zone breach: its time, the zone, its status and the tags involved."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    network_time: int
    zone_name: str
    breach_status: int
    number_of_tags: int
    serial_numbers: list[NorvaneSerialNumber]

class SyncStatsV5(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Sync Stats V5 Data Item Definition. Private.
    Synchronization statistics of the network application and of individual anchors."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    tx_dt64: int
    tx_avg_error: float
    tx_std_dev_error: float
    tx_error_count: float
    rx_avg_error: float
    rx_std_dev_error: float
    rx_error_count: float
    tx_intercept_nt: int
    tx_intercept_dt: int
    rx_intercept_nt: int
    rx_intercept_dt: int
    clock_adjustment: float
    tx_locked_count: int
    tx_locking_count: int
    rx_locked_count: int
    rx_locking_count: int
    tx_weight_ramp: float
    rx_weight_ramp: float
    tx_rogue_node_fail_count: int
    tx_twr_threshold_fail_count: int
    tx_invalid_range_count: int
    rx_rogue_node_fail_count: int
    rx_twr_threshold_fail_count: int
    rx_invalid_range_count: int
    tx_positive_drift_failure_count: int
    tx_negative_drift_failure_count: int
    rx_positive_drift_failure_count: int
    rx_negative_drift_failure_count: int

class DamrPacket(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol DAMR Packet Data Item Definition. Private.
    Carries one packet of the DAMR protocol inside an RLX data item."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    damr_type: int
    packet: bytes
    def __str__(self) -> str: ...

class BackupRegisterContents(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Backup Register Contents Data Item Definition. Private.
    Reports the contents of a device's backup registers."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    total_registers: int
    backup_registers: bytes

class SwapImageCommand(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Swap Image Command Data Item Definition. Private.
    Tells an anchor's bootloader to load its backup image."""
    type: ClassVar[int]

class EthernetPortStatus:
    """Ethernet Port Status Class Definition"""
    definition: ClassVar[list[DataItemAttribute]]
    port_number: int
    status_flags: int
    port_operation_mode: int
    port_rx_good_count: int
    port_rx_error_count: int
    port_tx_count: int
    reverse_polarity_indication: int
    link_state_change_count: int
    def __init__(self, port_number: int = ..., status_flags: int = ..., port_operation_mode: int = ..., port_rx_good_count: int = ..., port_rx_error_count: int = ..., port_tx_count: int = ..., reverse_polarity_indication: int = ..., link_state_change_count: int = ...) -> None: ...
    def __str__(self) -> str: ...
    def __repr__(self) -> str: ...

class EthernetStatus(RLXDataItem):
    """RLX Data Item: Norvane Data Protocol Ethernet Status Data Item Definition. Private.
    Reports the current state of an anchor's Ethernet switch with all its ports."""
    type: ClassVar[int]
    definition: ClassVar[list[DataItemAttribute]]
    node_voltage: int
    downstream_timeout: bool
    port_status: list[EthernetPortStatus]
